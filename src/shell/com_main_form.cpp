#include "shell/com_main_form.h"

#include "diagnosis/fault_reader.h"
#include "diagnosis/report_file.h"
#include "diagnosis/report_window.h"
#include "link/qt_event_pump.h"
#include "oscillo/oscillo_controller.h"
#include "oscillo/oscillo_form.h"
#include "serial/com_select_form.h"
#include "shell/about_form.h"
#include "shell/debug_menu.h"
#include "shell/debug_window.h"
#include "shell/detect_form.h"
#include "shell/error_report.h"
#include "shell/main_port.h"
#include "shell/qt_prompts.h"
#include "shell/raised_label.h"
#include "shell/serial_main_port.h"
#include "shell/settings_store.h"
#include "values/engine_converters.h"
#include "values/engine_panel_link.h"
#include "values/indicator_panel.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScreen>
#include <QTimer>

namespace {

constexpr int NotActiveHeight = 30; // the client area with the label alone

const QString FilesComing =
    QStringLiteral("Coming in a later version: saving and loading oscillogram files.");
const QString ActiveComing = QStringLiteral("Coming in a later version: the active tests window.");
const QString ScanComing = QStringLiteral("Coming in a later version: the register scan.");
const QString AutosaveComing =
    QStringLiteral("Coming in a later version: saving oscillograms after each run.");

// The engine's view of the main window's port, keeping what opening it threw:
// start-up may meet a second error on the closed port afterwards ("Port not
// open"), and the first one is the one the user can act on.
class OpenErrorKeeper : public LinkPort {
public:
    explicit OpenErrorKeeper(MainPort*& port) : m_port(port) {}
    std::exception_ptr openError;

    bool isActive() const override { return m_port->isActive(); }
    void setActive(bool on) override {
        try {
            m_port->setActive(on);
        } catch (...) {
            if (on)
                openError = std::current_exception();
            throw;
        }
    }
    void writeBytes(const ByteString& bytes) override { m_port->writeBytes(bytes); }
    ByteString readString() override { return m_port->readString(); }
    std::int64_t arrivalMs() const override { return m_port->arrivalMs(); }
    void setLineEnd(const ByteString& bytes) override { m_port->setLineEnd(bytes); }
    ByteString lineEnd() const override { return m_port->lineEnd(); }

private:
    MainPort*& m_port;
};

// The client area: keeps the "not active" label over all of it.
class ClientArea : public QWidget {
public:
    using QWidget::QWidget;
    QWidget* fill = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (fill)
            fill->setGeometry(rect());
    }
};

} // namespace

TForm1::TForm1(Services services, QWidget* parent)
    : QMainWindow(parent), m_services(std::move(services)) {
    Q_INIT_RESOURCE(shell);
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Zedo Vudera v1.0.0.16"));
    setWindowIcon(QIcon(QStringLiteral(":/zedovudera/icon.png")));
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor::fromRgb(SkyBlueRgb));
    setPalette(pal);
    setAutoFillBackground(true);
    setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
    setMaximumWidth(MaxWidth);

    m_pump = m_services.pump;
    if (!m_pump) {
        m_ownPump = std::make_unique<QtEventPump>();
        m_pump = m_ownPump.get();
    }
    m_port = m_services.port;
    if (!m_port) {
        m_ownPort = std::make_unique<SerialMainPort>();
        m_port = m_ownPort.get();
    }
    m_prompts = m_services.prompts;
    if (!m_prompts) {
        m_ownPrompts = std::make_unique<QtPrompts>();
        m_prompts = m_ownPrompts.get();
    }

    auto* client = new ClientArea(this);
    client->setObjectName(QStringLiteral("ClientArea"));
    m_client = client;
    setCentralWidget(m_client);

    cxLabel_NotActiveMod =
        new RaisedLabel(QStringLiteral("This module is not active. Check connection."), m_client);
    cxLabel_NotActiveMod->setObjectName(QStringLiteral("cxLabel_NotActiveMod"));
    cxLabel_NotActiveMod->setToolTip(
        QStringLiteral("Активные модули не обнаружены. Проверьте соединение."));
    cxLabel_NotActiveMod->setFont(PixelFont(QStringLiteral("Arial"), 21));
    cxLabel_NotActiveMod->setAlignment(Qt::AlignCenter);
    QPalette red = cxLabel_NotActiveMod->palette();
    red.setColor(QPalette::WindowText, QColor(0xFF, 0x00, 0x00));
    cxLabel_NotActiveMod->setPalette(red);
    client->fill = cxLabel_NotActiveMod;

    // The whole menu fits the window's width in one row.
    menuBar()->setFont(PixelFont(QStringLiteral("MS Sans Serif"), 11));
    m_menu = BuildMainMenu(menuBar());
    StyleMenuBar(menuBar(), m_menu.action(QStringLiteral("Start")));
    ShowComingNotesOn(menuBar());
    for (const QString& name :
         {QStringLiteral("SaveOscillogramm1"), QStringLiteral("LoadOscillogram1")})
        m_menu.setComing(name, FilesComing);
    m_menu.setComing(QStringLiteral("ActiveTests1"), ActiveComing);
    m_menu.setComing(QStringLiteral("Osc_saveandclear"), AutosaveComing);
    m_menu.setComing(QStringLiteral("Scan_unknown_sensors"), ScanComing);

    LinkEngine::Seams seams;
    seams.pump = m_pump;
    m_enginePort = std::make_unique<OpenErrorKeeper>(m_port);
    seams.port = m_enginePort.get();
    seams.prompts = m_prompts;
    seams.log = &m_log;
    seams.menu = &m_menuState;
    seams.view = this;
    m_engine = std::make_unique<LinkEngine>(seams);
    m_port->bind(*m_engine);

    m_panelLink = std::make_unique<EnginePanelLink>(*m_engine);
    m_panel = std::make_unique<IndicatorPanel>(*m_panelLink, m_client);
    m_engine->setIndicators(m_panel.get());
    m_converters = std::make_unique<EngineConverters>(*m_engine);
    m_engine->setConverters(m_converters.get());
    m_faults = std::make_unique<FaultCodeReader>(*m_engine, m_report);
    m_faults->setShowReport([this] {
        createCommonWindows();
        m_cuError->show();
    });
    m_engine->setFaults(m_faults.get());
    m_oscillo = std::make_unique<OscilloController>(*m_engine, m_menuState);
    m_engine->setOscillo(m_oscillo.get());
    m_panel->setSeriesRule(&m_oscillo->seriesRule());

    bindMenu();

    m_about = new TAboutForm(this);
    m_about->hide();

    resize(MaxWidth, menuBar()->sizeHint().height() + NotActiveHeight);
    centre();
}

void TForm1::centre() {
    if (QScreen* s = screen()) {
        const QRect desk = s->availableGeometry();
        const QSize frame = frameGeometry().size();
        move(desk.x() + (desk.width() - frame.width()) / 2,
             desk.y() + (desk.height() - frame.height()) / 2);
    }
}

void TForm1::fitToModule() {
    // While the window is hidden its layout does not follow a resize, so the size
    // start-up gave it may be off: the client area takes the current module's
    // height below the menu, as it would have on screen.
    if (isVisible())
        return;
    const int height = m_engine->ModuleState[m_engine->CurrentModule].ClientHeight;
    resize(width(), menuBar()->sizeHint().height() + qMax(0, height));
    centre();
}

TForm1::~TForm1() {
    // The port's thread must not hand bytes to an engine that is going.
    m_port->unbind();
    try {
        if (m_port->isActive())
            m_port->setActive(false);
    } catch (...) {
    }
    m_engine->setFaults(nullptr);
    m_engine->setOscillo(nullptr);
    m_panel->setSeriesRule(nullptr);
    m_oscillo.reset();
    m_engine->setIndicators(nullptr);
    m_engine->setConverters(nullptr);
    m_engine->setView(nullptr);
    // The windows that show the log and the report go before them.
    delete m_detect.data();
    delete m_debug.data();
    delete m_cuError.data();
    delete m_about.data();
}

// ---- menu

void TForm1::bindCheck(const QString& name, MenuState::Item item) {
    QAction* a = action(name);
    a->setChecked(m_menuState.isOn(item));
    connect(&m_menuState, &MenuState::changed, a, [a, item](MenuState::Item changed, bool on) {
        if (changed == item)
            a->setChecked(on);
    });
    // Runs before the entry's handler: an entry that checks itself reports its new
    // mark; the others keep the mark the program gives them.
    connect(a, &QAction::triggered, this, [this, a, item](bool checked) {
        if (a->property("zvAutoCheck").toBool())
            m_menuState.set(item, checked);
        else
            a->setChecked(m_menuState.isOn(item));
    });
}

void TForm1::bindEnabled(const QString& name, MenuState::Item item) {
    QAction* a = action(name);
    const auto apply = [this, a, name](bool on) { a->setEnabled(on && !m_menu.isComing(name)); };
    apply(m_menuState.isOn(item));
    connect(&m_menuState, &MenuState::changed, a, [apply, item](MenuState::Item changed, bool on) {
        if (changed == item)
            apply(on);
    });
}

void TForm1::onTriggered(const QString& name, std::function<void()> handler) {
    connect(action(name), &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
}

void TForm1::bindMenu() {
    bindCheck(QStringLiteral("Collect_oscillo"), MenuState::Collect_oscillo);
    bindCheck(QStringLiteral("Show_i"), MenuState::Show_i);
    bindCheck(QStringLiteral("Show_oscillogram"), MenuState::Show_oscillogram);
    bindCheck(QStringLiteral("Packed_record"), MenuState::Packed_record);
    bindCheck(QStringLiteral("Collect_overmax"), MenuState::Collect_overmax);
    bindCheck(QStringLiteral("Collect_debug"), MenuState::Collect_debug);
    bindCheck(QStringLiteral("Osc_saveandclear"), MenuState::Osc_saveandclear);
    bindCheck(QStringLiteral("Show_debug"), MenuState::Show_debug);
    bindCheck(QStringLiteral("ECU1"), MenuState::ECU1);
    bindCheck(QStringLiteral("AT1"), MenuState::AT1);
    bindEnabled(QStringLiteral("Start"), MenuState::StartEnabled);
    bindEnabled(QStringLiteral("ActiveTests1"), MenuState::ActiveTestsEnabled);
    bindEnabled(QStringLiteral("Commands1"), MenuState::CommandsEnabled);
    bindEnabled(QStringLiteral("View"), MenuState::ViewEnabled);

    QAction* start = action(QStringLiteral("Start"));
    start->setText(m_menuState.startCaption());
    connect(&m_menuState, &MenuState::startCaptionChanged, start, &QAction::setText);
    QMenu* mode = m_menu.submenu(QStringLiteral("Mode1"));
    mode->setTitle(m_menuState.modeCaption());
    connect(&m_menuState, &MenuState::modeCaptionChanged, mode, &QMenu::setTitle);

    onTriggered(QStringLiteral("Save_debug"), [this] { Save_debugClick(); });
    onTriggered(QStringLiteral("Start"), [this] { StartClick(); });
    onTriggered(QStringLiteral("ECU1"), [this] { ECU1Click(); });
    onTriggered(QStringLiteral("AT1"), [this] { AT1Click(); });
    onTriggered(QStringLiteral("GetCUErrors"), [this] { GetCUErrorsClick(); });
    onTriggered(QStringLiteral("ClearCUErrors"), [this] { ClearCUErrorsClick(); });
    onTriggered(QStringLiteral("Select_sensors"), [this] { Select_sensorsClick(); });
    onTriggered(QStringLiteral("Show_debug"), [this] { Show_debugClick(); });
    onTriggered(QStringLiteral("Communication"), [this] { CommunicationClick(); });
    onTriggered(QStringLiteral("Reconnect1"), [this] { Reconnect1Click(); });
    onTriggered(QStringLiteral("Collect_debug"), [this] { Collect_debugClick(); });
    onTriggered(QStringLiteral("Show_oscillogram"), [this] { Show_oscillogramClick(); });
    onTriggered(QStringLiteral("Collect_oscillo"), [this] { Collect_oscilloClick(); });
    onTriggered(QStringLiteral("ClearAlloscillogram"), [this] { ClearAlloscillogramClick(); });
    onTriggered(QStringLiteral("About"), [this] { AboutClick(); });
}

// ---- handlers

void TForm1::run(const std::function<void()>& handler) {
    ++m_nesting;
    Guarded(handler);
    --m_nesting;
    if (m_nesting == 0 && m_closePending) {
        m_closePending = false;
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

void TForm1::FormCreate() {
    run([this] {
        m_log.setCollecting(m_menuState.isOn(MenuState::Collect_debug));
        LoadSettings(SettingsKeyPath);
        if (Port() == 0)
            showPortDialog();
        Initial();
    });
}

void TForm1::FormKeyDown(int key) {
    if (key != 27)
        return;
    if (m_engine->LinkState == ssScanning) {
        m_engine->LinkState = ssIdle;
        return;
    }
    if (m_prompts->confirm(QStringLiteral("Exit now?")))
        close();
}

void TForm1::FormClose() {
    StoreSettings(SettingsKeyPath);
    // The report exists once start-up has run; before that there is nothing to
    // write, and an earlier report file is kept.
    if (m_cuError)
        saveDiagnosticResult(m_report);
    if (m_port->isActive()) {
        if (m_engine->LinkState == ssStreaming)
            StopDiag();
        m_port->setActive(false);
    }
}

void TForm1::StartClick() {
    run([this] { m_engine->StartClick(); });
}

void TForm1::ECU1Click() {
    run([this] { Set_Module(ModuleEcu); });
}

void TForm1::AT1Click() {
    run([this] { Set_Module(ModuleAt); });
}

void TForm1::GetCUErrorsClick() {
    run([this] { m_faults->GetCUErrorsClick(); });
}

void TForm1::ClearCUErrorsClick() {
    run([this] { m_faults->ClearCUErrorsClick(); });
}

void TForm1::Select_sensorsClick() {
    run([this] { m_panel->Select_sensorsClick(); });
}

void TForm1::Show_oscillogramClick() {
    Guarded([this] { m_oscillo->Show_oscillogramClick(); });
}

void TForm1::Collect_oscilloClick() {
    Guarded([this] { m_oscillo->Collect_oscilloClick(); });
}

void TForm1::ClearAlloscillogramClick() {
    Guarded([this] { m_oscillo->ClearAlloscillogramClick(); });
}

void TForm1::Collect_debugClick() {
    bool on = m_menuState.isOn(MenuState::Collect_debug);
    ::Collect_debugClick(on, m_log);
    m_menuState.set(MenuState::Collect_debug, on);
}

void TForm1::Show_debugClick() {
    createDebugWindow();
    bool on = m_menuState.isOn(MenuState::Show_debug);
    ::Show_debugClick(on, *m_debug);
    m_menuState.set(MenuState::Show_debug, on);
}

void TForm1::Save_debugClick() {
    Guarded([this] { ::Save_debugClick(m_log, [this] { return askLogFileName(this); }); });
}

void TForm1::CommunicationClick() {
    run([this] {
        // A running stream ends first: with its port closed under it, it would
        // only end by falling silent and warn that the unit closed the link.
        if (m_engine->LinkState == ssStreaming)
            StopDiag();
        if (m_port->isActive())
            m_port->setActive(false);
        const int before = Port();
        showPortDialog();
        if (Port() != before)
            Initial();
    });
}

void TForm1::Reconnect1Click() {
    run([this] {
        setMainWindowVisible(false);
        try {
            Initial();
        } catch (...) {
            setMainWindowVisible(true);
            throw;
        }
        setMainWindowVisible(true);
    });
}

void TForm1::AboutClick() {
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void TForm1::showPortDialog() {
    if (m_services.choosePort) {
        m_services.choosePort();
        return;
    }
    TComSelectForm dialog(
        Port(), [this](int number) { setPort(number); }, &m_log, this);
    dialog.fillPresentPorts();
    dialog.exec();
}

// ---- settings

void TForm1::LoadSettings(const QString& keyPath) {
    setPort(::LoadSettings(keyPath, m_services.configDir));
}

void TForm1::StoreSettings(const QString& keyPath) {
    ::StoreSettings(keyPath, Port(), m_services.configDir);
}

int TForm1::Port() const {
    return m_port->Port();
}

void TForm1::setPort(int number) {
    m_port->setPort(number);
}

// ---- engine

void TForm1::Initial() {
    auto* keeper = static_cast<OpenErrorKeeper*>(m_enginePort.get());
    keeper->openError = nullptr;
    try {
        m_engine->Initial();
    } catch (...) {
        fitToModule();
        if (keeper->openError)
            std::rethrow_exception(keeper->openError);
        throw;
    }
    fitToModule();
}

bool TForm1::Set_Module(int module) {
    return m_engine->Set_Module(module);
}

int TForm1::clientHeight() const {
    return m_client->height();
}

// ---- the windows the engine drives

void TForm1::createModuleWindows(int module) {
    m_panel->createModuleWindows(module);
    if (TFormOscillo* w = m_oscillo->createModuleWindow(module))
        w->setAttribute(Qt::WA_QuitOnClose, false);
}

void TForm1::createCommonWindows() {
    if (!m_cuError) {
        m_cuError = new TCU_Error(m_report, this);
        m_cuError->setObjectName(QStringLiteral("CU_Error"));
        m_cuError->setAttribute(Qt::WA_QuitOnClose, false);
    }
}

void TForm1::createDebugWindow() {
    if (m_debug)
        return;
    m_debug = new TDebug(m_log, this);
    m_debug->setObjectName(QStringLiteral("Debug"));
    connect(m_debug, &TDebug::closed, this,
            [this] { m_menuState.set(MenuState::Show_debug, false); });
}

void TForm1::showDetect() {
    if (!m_detect)
        m_detect = new TDetectForm([this] { m_engine->LinkState = ssIdle; }, this);
    createDebugWindow();
    m_detect->centre();
    m_detect->show();
}

void TForm1::closeDetect() {
    if (m_detect)
        m_detect->close();
}

void TForm1::setDetectCaption(const QString& text) {
    if (m_detect)
        m_detect->cxLabel1->setText(text);
}

void TForm1::setDetectModule(const QString& text) {
    if (m_detect)
        m_detect->cxLabel_Module->setText(text);
}

void TForm1::setDetectRange(int min, int max) {
    if (m_detect)
        m_detect->DetectingBar->setRange(min, max);
}

void TForm1::setDetectPosition(int value) {
    if (m_detect)
        m_detect->DetectingBar->setValue(value);
}

void TForm1::setModuleBoxVisible(int module, bool visible) {
    if (QGroupBox* box = m_panel->ModuleBox(module))
        box->setVisible(visible);
}

void TForm1::setNotActiveVisible(bool visible) {
    cxLabel_NotActiveMod->setVisible(visible);
    if (visible)
        cxLabel_NotActiveMod->raise();
}

void TForm1::setMainWindowVisible(bool visible) {
    setVisible(visible);
}

void TForm1::setBufferStatus(int bytes) {
    if (m_debug)
        m_debug->setBufferStatus(bytes);
}

// ---- events

void TForm1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        Guarded([this] { FormKeyDown(27); });
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (m_closed) {
        event->accept();
        return;
    }
    if (m_nesting > 0) {
        // A stream (or start-up) runs in a loop nested below this event: close once
        // it has returned, so nothing it uses goes away under it.
        event->ignore();
        m_closePending = true;
        StopDiag();
        return;
    }
    if (!Guarded([this] { FormClose(); })) {
        event->ignore();
        return;
    }
    m_closed = true;
    event->accept();
    for (int m : {ModuleEcu, ModuleAt})
        if (TFormOscillo* w = m_oscillo->window(m))
            w->hide();
    for (QWidget* w :
         {static_cast<QWidget*>(m_detect.data()), static_cast<QWidget*>(m_debug.data()),
          static_cast<QWidget*>(m_cuError.data()), static_cast<QWidget*>(m_about.data())})
        if (w)
            w->hide();
    emit closed();
}

void TForm1::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
}
