#include "oscillo/oscillo_form.h"

#include "link/menu_state.h"
#include "oscillo/osc_chart.h"
#include "oscillo/oscillo_menu.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QShowEvent>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

const QColor SkyBlue(0xA6, 0xCA, 0xF0);
const QString Coming = QStringLiteral("(coming in a later version)");

QString comingHint(const QString& hint) {
    return hint.isEmpty() ? Coming : hint + QLatin1Char('\n') + Coming;
}

int clampToInt(double v) {
    return static_cast<int>(std::clamp(v, double(std::numeric_limits<int>::min()),
                                       double(std::numeric_limits<int>::max())));
}

} // namespace

TFormOscillo::TFormOscillo(MenuState* menu, QWidget* parent)
    : QWidget(parent, Qt::Window), m_menu(menu) {
    // An open oscillogram never keeps the program running once the main window closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowState(Qt::WindowMaximized);
    setWindowOpacity(1.0); // 255 of 255 until the transparency bar is used

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    buildToolStrip();
    layout->addWidget(OsciTools_Panel);

    auto* middle = new QHBoxLayout;
    middle->setContentsMargins(0, 0, 0, 0);
    middle->setSpacing(0);
    Chart1 = new OscChart(m_recording, this);
    Chart1->setObjectName(QStringLiteral("Chart1"));
    ChartTool1 = Chart1->zeroLine();
    middle->addWidget(Chart1, 1);
    ChartListBox1 = new QListWidget(this);
    ChartListBox1->setObjectName(QStringLiteral("ChartListBox1"));
    ChartListBox1->setFixedWidth(170);
    ChartListBox1->setDragDropMode(QAbstractItemView::NoDragDrop);
    ChartListBox1->hide();
    middle->addWidget(ChartListBox1);
    layout->addLayout(middle, 1);

    ChartScrollBar1 = new QScrollBar(Qt::Horizontal, this);
    ChartScrollBar1->setObjectName(QStringLiteral("ChartScrollBar1"));
    ChartScrollBar1->setFixedHeight(10);
    ChartScrollBar1->setRange(0, 60000);
    ChartScrollBar1->setPageStep(1000);
    ChartScrollBar1->setSingleStep(300);
    layout->addWidget(ChartScrollBar1);
    connect(ChartScrollBar1, &QScrollBar::valueChanged, this, &TFormOscillo::scrollBarMoved);

    // The bar follows the time axis, and the recorded time as it grows.
    connect(&m_recording, &OscRecording::timeRangeChanged, this, &TFormOscillo::syncScrollBar);
    connect(Chart1, &QCustomPlot::afterReplot, this, &TFormOscillo::syncScrollBar);

    // Key preview: the window sees every key before the control that has the focus.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    syncScrollBar();
}

TFormOscillo::~TFormOscillo() {
    // The chart draws the recording's series: it goes first.
    delete Chart1;
}

void TFormOscillo::buildToolStrip() {
    OsciTools_Panel = new QFrame(this);
    OsciTools_Panel->setObjectName(QStringLiteral("OsciTools_Panel"));
    OsciTools_Panel->setFixedHeight(29);
    OsciTools_Panel->setAutoFillBackground(true);
    QPalette pal = OsciTools_Panel->palette();
    pal.setColor(QPalette::Window, SkyBlue);
    OsciTools_Panel->setPalette(pal);

    auto* strip = new QHBoxLayout(OsciTools_Panel);
    strip->setContentsMargins(4, 2, 4, 2);
    strip->setSpacing(6);

    LoadBtn = new QPushButton(QStringLiteral("&Load"), OsciTools_Panel);
    LoadBtn->setObjectName(QStringLiteral("LoadBtn"));
    LoadBtn->setToolTip(comingHint(QStringLiteral("Load an oscillogram file")));
    SaveBtn = new QPushButton(QStringLiteral("&Save"), OsciTools_Panel);
    SaveBtn->setObjectName(QStringLiteral("SaveBtn"));
    SaveBtn->setToolTip(comingHint(QStringLiteral("Save the oscillogram")));

    Label1 = new QLabel(QStringLiteral("Transparency"), OsciTools_Panel);
    Label1->setObjectName(QStringLiteral("Label1"));
    ScrollBar_Trans = new QScrollBar(Qt::Horizontal, OsciTools_Panel);
    ScrollBar_Trans->setObjectName(QStringLiteral("ScrollBar_Trans"));
    ScrollBar_Trans->setRange(50, 255);
    ScrollBar_Trans->setValue(255);
    ScrollBar_Trans->setFixedWidth(120);
    ScrollBar_Trans->setToolTip(comingHint(QStringLiteral("Прозрачность")));

    Clear_Button = new QPushButton(QStringLiteral("&Clear"), OsciTools_Panel);
    Clear_Button->setObjectName(QStringLiteral("Clear_Button"));
    connect(Clear_Button, &QPushButton::clicked, this, &TFormOscillo::Clear_ButtonClick);

    ChangeColor = new QCheckBox(QStringLiteral("S&how/Change legends"), OsciTools_Panel);
    ChangeColor->setObjectName(QStringLiteral("ChangeColor"));
    ChangeColor->setToolTip(
        comingHint(QStringLiteral("Показать/изменить обозначения осцилограмм")));

    Label2 = new QLabel(QStringLiteral("Scale for Y"), OsciTools_Panel);
    Label2->setObjectName(QStringLiteral("Label2"));
    const QString axisHint = comingHint(QStringLiteral("Максимальное значение оси Y"));
    cxSpinEdit_Left = new QSpinBox(OsciTools_Panel);
    cxSpinEdit_Left->setObjectName(QStringLiteral("cxSpinEdit_Left"));
    cxSpinEdit_Left->setRange(20, 300);
    cxSpinEdit_Left->setSingleStep(20);
    cxSpinEdit_Left->setValue(OscRecording::LeftMaxStart);
    cxSpinEdit_Left->setToolTip(axisHint);
    cxSpinEdit_Left->setStyleSheet(QStringLiteral("QSpinBox { color: #008000; }"));
    cxSpinEdit_Custom = new QSpinBox(OsciTools_Panel);
    cxSpinEdit_Custom->setObjectName(QStringLiteral("cxSpinEdit_Custom"));
    cxSpinEdit_Custom->setRange(1, 15);
    cxSpinEdit_Custom->setSingleStep(1);
    cxSpinEdit_Custom->setValue(OscRecording::CustomMaxStart);
    cxSpinEdit_Custom->setToolTip(axisHint);
    cxSpinEdit_Custom->setStyleSheet(QStringLiteral("QSpinBox { color: #0000FF; }"));

    SpeedButton1 = new QToolButton(OsciTools_Panel);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    SpeedButton1->setFixedSize(23, 23);
    SpeedButton1->setToolTip(comingHint(QStringLiteral("Chart editor")));

    // Their actions come with the chart interactions and the oscillogram files.
    for (QWidget* w :
         std::initializer_list<QWidget*>{LoadBtn, SaveBtn, ScrollBar_Trans, ChangeColor,
                                         cxSpinEdit_Left, cxSpinEdit_Custom, SpeedButton1})
        w->setEnabled(false);

    strip->addWidget(LoadBtn);
    strip->addWidget(SaveBtn);
    strip->addSpacing(12);
    strip->addWidget(Label1);
    strip->addWidget(ScrollBar_Trans);
    strip->addSpacing(12);
    strip->addWidget(Clear_Button);
    strip->addSpacing(12);
    strip->addWidget(ChangeColor);
    strip->addSpacing(12);
    strip->addWidget(Label2);
    strip->addWidget(cxSpinEdit_Left);
    strip->addWidget(cxSpinEdit_Custom);
    strip->addStretch(1);
    strip->addWidget(SpeedButton1);
}

void TFormOscillo::Set_EndOsc(std::uint32_t rgb, std::int64_t x) {
    m_recording.addEndMark(rgb, x);
}

void TFormOscillo::setClearRange(std::function<std::pair<double, double>()> range) {
    m_clearRange = std::move(range);
}

void TFormOscillo::Clear_ButtonClick() {
    m_recording.clearPoints();
    double lo = 0.0;
    double hi = static_cast<double>(OscRecording::TimeStep);
    if (m_clearRange)
        std::tie(lo, hi) = m_clearRange();
    m_recording.setTimeRange(lo, hi);
}

void TFormOscillo::syncScrollBar() {
    // The bar spans the recorded time and the visible range; its value is the range's start.
    const double lo = m_recording.timeMin();
    const double hi = m_recording.timeMax();
    const double width = hi - lo;
    double end = hi;
    for (const auto& s : m_recording.series())
        if (auto x = s->points().lastX())
            end = std::max(end, static_cast<double>(*x));
    m_syncing = true;
    ChartScrollBar1->setRange(clampToInt(std::min(0.0, lo)),
                              std::max(clampToInt(end - width), 60000));
    ChartScrollBar1->setValue(clampToInt(lo));
    m_syncing = false;
}

void TFormOscillo::scrollBarMoved(int value) {
    if (m_syncing)
        return;
    const double width = m_recording.timeMax() - m_recording.timeMin();
    m_recording.setTimeRange(value, value + width);
}

void TFormOscillo::requestReplot() {
    Chart1->requestReplot();
}

void TFormOscillo::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TFormOscillo::FormShow() {
    if (m_menu)
        OscilloMenu::FormShow(*m_menu);
    if (const QScreen* s = screen()) {
        // A window manager maximises the window; without one (a bare X server) the
        // state flag alone leaves it at its tiny initial size, so take the screen's
        // work area ourselves: full width from the top left corner.
        const QRect avail = s->availableGeometry();
        if (!isMaximized() || width() < avail.width() || height() < avail.height() / 2)
            setGeometry(avail);
    }
    syncScrollBar();
    Chart1->replotNow();
    Chart1->setFocus();
}

void TFormOscillo::closeEvent(QCloseEvent* event) {
    FormClose();
    event->accept(); // hides; the window lives on
}

void TFormOscillo::FormClose() {
    if (m_menu)
        OscilloMenu::FormClose(*m_menu);
}

bool TFormOscillo::eventFilter(QObject* watched, QEvent* event) {
    // A key a control ignores travels on to its parents, and compound controls hand keys
    // to their parts: the window previews each key event once.
    if (event->type() == QEvent::KeyPress && isVisible() && event != m_previewed) {
        auto* key = static_cast<QKeyEvent*>(event);
        m_previewed = event;
        QTimer::singleShot(0, this, [this] { m_previewed = nullptr; });
        const bool wasAccepted = key->isAccepted();
        key->ignore();
        emit keyPreview(key);
        if (key->isAccepted())
            return true;
        key->setAccepted(wasAccepted);
    }
    return QWidget::eventFilter(watched, event);
}
