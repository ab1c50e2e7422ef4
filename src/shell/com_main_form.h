#pragma once

#include "diagnosis/report_window.h"
#include "link/link_engine.h"
#include "link/menu_state.h"
#include "link/seams.h"
#include "protocol/coloured_lines.h"
#include "shell/about_form.h"
#include "shell/debug_window.h"
#include "shell/detect_form.h"
#include "shell/main_menu.h"
#include "shell/main_port.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class EngineConverters;
class EnginePanelLink;
class FaultCodeReader;
class IndicatorPanel;
class OscilloController;
class QLabel;

// What tests replace; null members get the real thing.
struct MainServices {
    EventPump* pump = nullptr;  // the Qt event loop and the steady clock
    MainPort* port = nullptr;   // the serial port component
    Prompts* prompts = nullptr; // message boxes
    QString configDir;          // settings files; empty: the configuration directory
    // Shows the port selection; null: the "Select Com port" dialog.
    std::function<void()> choosePort;
};

// The main window: the menu, the "not active" label and the units' indicator
// panels, the host of the link engine (whose operations it publishes as its own)
// and the owner of the serial port and of every window start-up creates.
class TForm1 : public QMainWindow, public LinkView {
    Q_OBJECT
public:
    using Services = MainServices;

    explicit TForm1(Services services = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    // ---- handlers
    void FormCreate();
    void FormKeyDown(int key);
    // The work of closing; throws what it met (the close handler reports it).
    void FormClose();
    void StartClick();
    void ECU1Click();
    void AT1Click();
    void GetCUErrorsClick();
    void ClearCUErrorsClick();
    void Select_sensorsClick();
    void Show_oscillogramClick();
    void Collect_oscilloClick();
    void ClearAlloscillogramClick();
    void Collect_debugClick();
    void Show_debugClick();
    void Save_debugClick();
    void CommunicationClick();
    void Reconnect1Click();
    void AboutClick();

    // ---- settings
    void LoadSettings(const QString& keyPath);
    void StoreSettings(const QString& keyPath);

    // ---- the engine's operations
    bool WaitForMngRespond(int command, bool showMessage) {
        return m_engine->WaitForMngRespond(command, showMessage);
    }
    std::uint8_t WaitForParamRespond(int row) { return m_engine->WaitForParamRespond(row); }
    bool CUStopRequest() { return m_engine->CUStopRequest(); }
    void Initial();
    bool Set_Module(int module);
    bool Diagnostics() { return m_engine->Diagnostics(); }
    void Set_Packets() { m_engine->Set_Packets(); }
    void StartDiag() { m_engine->StartDiag(); }
    void StopDiag() { m_engine->StopDiag(); }
    bool WaitForAnswerRespond() { return m_engine->WaitForAnswerRespond(); }
    void Diagnostics_ECUActive() { m_engine->Diagnostics_ECUActive(); }

    // ---- state and parts
    LinkEngine& engine() const { return *m_engine; }
    MenuState& menuState() { return m_menuState; }
    DebugLog& debugLog() { return m_log; }
    ColouredLines& report() { return m_report; }
    const MainMenu& mainMenu() const { return m_menu; }
    QAction* action(const QString& name) const { return m_menu.action(name); }
    MainPort& DurIveRada() const { return *m_port; }
    int Port() const;
    void setPort(int number);
    IndicatorPanel& indicatorPanel() const { return *m_panel; }
    OscilloController& oscillo() const { return *m_oscillo; }

    QLabel* cxLabel_NotActiveMod = nullptr;
    TDetectForm* Detect_form() const { return m_detect; }
    TDebug* Debug() const { return m_debug; }
    TCU_Error* CU_Error() const { return m_cuError; }
    TAboutForm* AboutBox() const { return m_about; }

    // The client area's height, as start-up sets it.
    int clientHeight() const;

    // LinkView
    void createModuleWindows(int module) override;
    void createCommonWindows() override;
    void showDetect() override;
    void closeDetect() override;
    void setDetectCaption(const QString& text) override;
    void setDetectModule(const QString& text) override;
    void setDetectRange(int min, int max) override;
    void setDetectPosition(int value) override;
    void setModuleBoxVisible(int module, bool visible) override;
    void setNotActiveVisible(bool visible) override;
    void setMainWindowVisible(bool visible) override;
    void setBufferStatus(int bytes) override;

    static constexpr int MaxWidth = 435;

signals:
    // The window closed for good: the program ends.
    void closed();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void bindMenu();
    void bindCheck(const QString& name, MenuState::Item item);
    void bindEnabled(const QString& name, MenuState::Item item);
    void onTriggered(const QString& name, std::function<void()> handler);
    void showPortDialog();
    void createDebugWindow();
    void centre();
    void fitToModule();
    // Runs an engine-driving handler: reports what it throws, and closes the
    // window afterwards when a close was asked for meanwhile.
    void run(const std::function<void()>& handler);

    Services m_services;
    std::unique_ptr<EventPump> m_ownPump;
    std::unique_ptr<MainPort> m_ownPort;
    std::unique_ptr<Prompts> m_ownPrompts;
    EventPump* m_pump = nullptr;
    MainPort* m_port = nullptr;
    std::unique_ptr<LinkPort> m_enginePort; // m_port, as the engine sees it
    Prompts* m_prompts = nullptr;

    DebugLog m_log;
    ColouredLines m_report;
    MenuState m_menuState;
    MainMenu m_menu;
    std::unique_ptr<LinkEngine> m_engine;
    std::unique_ptr<EnginePanelLink> m_panelLink;
    std::unique_ptr<IndicatorPanel> m_panel;
    std::unique_ptr<EngineConverters> m_converters;
    std::unique_ptr<FaultCodeReader> m_faults;
    std::unique_ptr<OscilloController> m_oscillo;

    QWidget* m_client = nullptr;
    QPointer<TDetectForm> m_detect;
    QPointer<TDebug> m_debug;
    QPointer<TCU_Error> m_cuError;
    QPointer<TAboutForm> m_about;

    int m_nesting = 0;           // handlers running that drive the engine
    bool m_closePending = false; // a close waits for them to return
    bool m_closed = false;
};
