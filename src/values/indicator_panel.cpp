#include "values/indicator_panel.h"

#include "protocol/registers.h"
#include "values/cool_gauge.h"
#include "values/hh_aled.h"
#include "values/lamp_caption.h"
#include "values/module_boxes.h"
#include "values/panel_link.h"

#include <QLayout>
#include <QScreen>

namespace {

QColor rgb(std::uint32_t colour) {
    return QColor::fromRgb(colour & 0xFFFFFF);
}

// The table refers to the controls; when a control goes (the main window closes)
// the reference goes with it.
template <typename Control, typename Widget>
void forgetOnDestroy(Widget* widget, int row, Control* TMopaProtocol::*field) {
    Control* control = widget;
    QObject::connect(widget, &QObject::destroyed, [row, field, control] {
        if (RegisterTable[row].*field == control)
            RegisterTable[row].*field = nullptr;
    });
}

} // namespace

IndicatorPanel::IndicatorPanel(PanelLink& link, QWidget* client) : m_link(link), m_client(client) {}

IndicatorPanel::~IndicatorPanel() = default;

void IndicatorPanel::createModuleWindows(int module) {
    if (!validModule(module))
        return;
    if (!m_moduleBoxes[module]) {
        const ModuleBoxes boxes = CreateModuleBoxes(module, m_client);
        m_moduleBoxes[module] = boxes.ModuleBox;
        m_registersBoxes[module] = boxes.RegistersBox;
    }
    if (!m_dialogs[module])
        m_dialogs[module] =
            new TSelectSensorDlg(Module(module).ShortName, m_client ? m_client->window() : nullptr);
}

QGroupBox* IndicatorPanel::ModuleBox(int module) const {
    return validModule(module) ? m_moduleBoxes[module].data() : nullptr;
}

QGroupBox* IndicatorPanel::RegistersBox(int module) const {
    return validModule(module) ? m_registersBoxes[module].data() : nullptr;
}

TSelectSensorDlg* IndicatorPanel::SensorDialog(int module) const {
    return validModule(module) ? m_dialogs[module].data() : nullptr;
}

void IndicatorPanel::showGauge(int row, QGroupBox* box, int top) {
    TMopaProtocol& r = RegisterTable[row];
    if (!r.Gauge) {
        auto* gauge = new TjsCoolGauge(box);
        gauge->setObjectName(QStringLiteral("Gauge%1").arg(row));
        gauge->setFontColor(Qt::black);
        gauge->setBackgroundColor(gauge->palette().color(QPalette::Base));
        gauge->setColors(rgb(r.Color1), rgb(r.Color2));
        gauge->setRange(r.Min, r.Max);
        gauge->setCaptionFormat(r.Display);
        gauge->setToolTip(r.Hint);
        r.Gauge = gauge;
        forgetOnDestroy<GaugeControl>(gauge, row, &TMopaProtocol::Gauge);
    }
    if (auto* gauge = dynamic_cast<TjsCoolGauge*>(r.Gauge)) {
        gauge->setGeometry(GaugeLeft, top, GaugeWidth, GaugeHeight);
        gauge->show();
    }
}

void IndicatorPanel::showLamp(int row, QGroupBox* box, int top) {
    TMopaProtocol& r = RegisterTable[row];
    if (!r.Lamp) {
        auto* lamp = new ThhALed(box);
        lamp->setObjectName(QStringLiteral("Lamp%1").arg(row));
        lamp->setColors(QColor(0x00, 0xFF, 0x00), QColor(0x00, 0x80, 0x00));
        lamp->setOn(false);
        lamp->setToolTip(r.Hint);
        r.Lamp = lamp;
        forgetOnDestroy<LampControl>(lamp, row, &TMopaProtocol::Lamp);
    }
    if (!r.Caption) {
        auto* caption = new LampCaption(r.Display, box);
        caption->setObjectName(QStringLiteral("Caption%1").arg(row));
        r.Caption = caption;
        forgetOnDestroy<CaptionControl>(caption, row, &TMopaProtocol::Caption);
    }
    if (auto* lamp = dynamic_cast<ThhALed*>(r.Lamp)) {
        lamp->setGeometry(LampLeft, top, LampSize, LampSize);
        lamp->show();
    }
    if (auto* caption = dynamic_cast<LampCaption*>(r.Caption)) {
        const int width = qMax(0, box->width() - CaptionLeft - 4);
        caption->setGeometry(CaptionLeft, top, width, LampSize);
        caption->show();
    }
}

void IndicatorPanel::hideControls(int row) {
    const TMopaProtocol& r = RegisterTable[row];
    if (r.Kind == 0) {
        if (auto* gauge = dynamic_cast<QWidget*>(r.Gauge))
            gauge->hide();
    } else if (r.Kind == 1) {
        if (auto* lamp = dynamic_cast<QWidget*>(r.Lamp))
            lamp->hide();
        if (auto* caption = dynamic_cast<QWidget*>(r.Caption))
            caption->hide();
    }
}

void IndicatorPanel::Show_Indicators() {
    const int module = m_link.currentModule();
    if (!validModule(module))
        return;
    createModuleWindows(module);
    QGroupBox* moduleBox = m_moduleBoxes[module];
    QGroupBox* registersBox = m_registersBoxes[module];

    int gaugeTop = FirstTop;
    int lampTop = FirstTop;
    if (m_seriesRule)
        m_seriesRule->beginRebuild(module);

    const int first = qMax(1, m_link.firstRegister());
    const int last = qMin(RegisterCount, m_link.lastRegister());
    for (int row = first; row <= last; ++row) {
        // The series rule sees every row and decides itself (it skips unsupported
        // rows, deactivates unselected ones).
        if (m_seriesRule)
            m_seriesRule->apply(module, row);
        const TMopaProtocol& r = RegisterTable[row];
        if (!r.Unsupported) {
            if (r.Selected) {
                if (r.Kind == 0 && moduleBox) {
                    showGauge(row, moduleBox, gaugeTop);
                    gaugeTop += GaugeStep;
                } else if (r.Kind == 1 && registersBox) {
                    showLamp(row, registersBox, lampTop);
                    lampTop += LampStep;
                }
            } else {
                hideControls(row);
            }
        }
        // The window stays live while the panel is built.
        m_link.processPending();
    }

    m_nextGaugeTop = gaugeTop;
    m_nextLampTop = lampTop;
    const int moduleHeight = gaugeTop > lampTop ? gaugeTop + 3 : lampTop + 18;
    if (registersBox)
        registersBox->resize(registersBox->width(), lampTop + 6);
    if (moduleBox)
        moduleBox->resize(moduleBox->width(), moduleHeight);
    m_link.setClientHeight(module, moduleHeight + 6);
    Set_SizePos();
}

void IndicatorPanel::Set_SizePos() {
    if (!m_client)
        return;
    QWidget* main = m_client->window();
    const int module = m_link.currentModule();
    if (!validModule(module))
        return;
    // Whatever the window has around its client area (the menu bar) stays.
    if (main != m_client && main->layout())
        main->layout()->activate();
    const int around = main == m_client ? 0 : main->height() - m_client->height();
    main->resize(main->width(), m_link.clientHeight(module) + qMax(0, around));

    if (QScreen* screen = main->screen()) {
        const QRect desk = screen->availableGeometry();
        const QSize frame = main->frameGeometry().size();
        main->move(desk.x() + (desk.width() - frame.width()) / 2,
                   desk.y() + (desk.height() - frame.height()) / 2);
    }
    if (m_activeTests && m_activeTests->isVisible()) {
        const QRect frame = main->frameGeometry();
        m_activeTests->move(frame.x() + frame.width(), frame.y());
    }
}

void IndicatorPanel::clearSensorList(int module) {
    createModuleWindows(module);
    if (TSelectSensorDlg* dlg = SensorDialog(module))
        dlg->clearItems();
}

int IndicatorPanel::addSensor(int module, const QString& name) {
    createModuleWindows(module);
    TSelectSensorDlg* dlg = SensorDialog(module);
    return dlg ? dlg->addItem(name) : -1;
}

void IndicatorPanel::Select_sensorsClick() {
    if (m_link.streaming())
        m_link.StopDiag();
    const int module = m_link.currentModule();
    TSelectSensorDlg* dlg = SensorDialog(module);
    if (!dlg)
        return;
    dlg->exec();
    if (!dlg->Changed)
        return;

    // Every row starts unselected and the walk goes forward, so a high-byte or
    // group row selected for a later row is not cleared again.
    const int first = qMax(1, m_link.firstRegister());
    const int last = qMin(RegisterCount, m_link.lastRegister());
    int group = 0;
    for (int row = first; row <= last; ++row) {
        TMopaProtocol& r = RegisterTable[row];
        if (r.Unsupported)
            continue;
        r.Selected = false;
        if (r.isGroup())
            group = row;
        if (r.Kind == 2)
            continue;
        r.Selected = dlg->isChecked(r.ListIndex);
        if (!r.Selected)
            continue;
        // Both bytes of a 16-bit value are requested, high byte first.
        if (HasHighByteRow(row) && !RegisterTable[row - 1].Unsupported)
            RegisterTable[row - 1].Selected = true;
        // A lamp needs its group byte.
        if (r.isBit() && group >= first && !RegisterTable[group].Unsupported)
            RegisterTable[group].Selected = true;
    }
    dlg->Changed = false;
    Show_Indicators();
    m_link.Set_Packets();
}
