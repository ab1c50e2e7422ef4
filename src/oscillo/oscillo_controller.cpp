#include "oscillo/oscillo_controller.h"

#include "link/link_engine.h"
#include "link/menu_state.h"
#include "oscillo/oscillo_form.h"

OscilloController::OscilloController(LinkEngine& engine, MenuState& menu, QObject* parent)
    : QObject(parent), m_engine(engine), m_menu(menu) {}

OscilloController::~OscilloController() = default;

TFormOscillo* OscilloController::createModuleWindow(int module) {
    if (module != ModuleEcu && module != ModuleAt)
        return nullptr;
    auto& slot = m_windows[static_cast<std::size_t>(module)];
    if (slot)
        return slot.get();
    slot = std::make_unique<TFormOscillo>(&m_menu);
    slot->setWindowTitle(QStringLiteral("Oscillogramm - ") + Module(module).ShortName);
    slot->setClearRange([this, module] { return clearRange(module); });
    m_rule.setRecording(module, &slot->recording());
    return slot.get();
}

TFormOscillo* OscilloController::window(int module) const {
    if (module < 0 || module >= ModuleSlots)
        return nullptr;
    return m_windows[static_cast<std::size_t>(module)].get();
}

bool OscilloController::streamRuns(int module) const {
    return module == m_engine.CurrentModule &&
           (m_engine.LinkState == ssStreaming || m_engine.LinkState == ssStopping);
}

std::pair<double, double> OscilloController::clearRange(int module) const {
    // While the module streams, its window keeps showing the minute the stream is in:
    // the scroll steps go on from the engine's mark.
    if (streamRuns(module)) {
        const auto mark = static_cast<double>(m_engine.NextScrollMark);
        return {mark - OscRecording::TimeStep, mark};
    }
    return {0.0, static_cast<double>(OscRecording::TimeStep)};
}

void OscilloController::Show_oscillogramClick() {
    TFormOscillo* w = window(m_engine.CurrentModule);
    if (!w) {
        // No window for this module: nothing is displayed, and the mark says so.
        m_menu.set(MenuState::Show_oscillogram, false);
        return;
    }
    w->show(); // runs the window's FormShow when it was hidden
    w->raise();
    w->activateWindow();
    m_menu.set(MenuState::Show_oscillogram, true);
    m_menu.set(MenuState::Show_i, false);
    if (m_engine.LinkState == ssStreaming && !m_menu.isOn(MenuState::Collect_oscillo))
        m_menu.set(MenuState::Collect_oscillo, true);
}

void OscilloController::Collect_oscilloClick() {
    if (m_menu.isOn(MenuState::Collect_oscillo))
        ClearOscillogram();
}

void OscilloController::ClearAlloscillogramClick() {
    ClearOscillogram();
}

void OscilloController::ClearOscillogram() {
    const int m = m_engine.CurrentModule;
    if (TFormOscillo* w = window(m)) {
        w->recording().clearPoints();
        w->recording().setTimeRange(0.0, static_cast<double>(OscRecording::TimeStep));
    }
    m_engine.pump().processPending();
    if (m < 0 || m >= ModuleSlots)
        return;
    const auto i = static_cast<std::size_t>(m);
    m_engine.TimeOffset[i] = 0;
    if (!streamRuns(m)) {
        m_engine.StreamStart[i] = 0;
        return;
    }
    // A stream runs: its time line starts again here. The start is the arrival of the
    // oldest byte not yet taken, so no later frame gets a time before it; the rest of the
    // frame being converted goes to 0, and the axis steps start from one minute again.
    m_engine.StreamStart[i] =
        m_engine.RxData.isEmpty() ? m_engine.pump().nowMs() : m_engine.rxArrivalMs(0);
    m_engine.OscTime = 0;
    m_engine.NextScrollMark = OscRecording::TimeStep;
    m_alignedStart[i] = m_engine.StreamStart[i];
}

void OscilloController::scrollTime(int module, std::int64_t deltaMs) {
    TFormOscillo* w = window(module);
    if (!w)
        return;
    const auto i = static_cast<std::size_t>(module);
    if (m_engine.StreamStart[i] != m_alignedStart[i]) {
        // The first step of a new stream: its mark started at one minute, so the steps
        // count from the first minute, not from wherever the axis was left.
        m_alignedStart[i] = m_engine.StreamStart[i];
        w->recording().setTimeRange(0.0, static_cast<double>(OscRecording::TimeStep));
    }
    w->recording().scrollTime(deltaMs);
}

void OscilloController::repaint(int module) {
    if (TFormOscillo* w = window(module))
        w->requestReplot();
}

void OscilloController::setEndOsc(int module, std::uint32_t rgb, std::int64_t x) {
    if (TFormOscillo* w = window(module))
        w->Set_EndOsc(rgb, x);
}
