#pragma once

#include "link/seams.h"
#include "oscillo/oscillo_series_rule.h"
#include "protocol/commands.h"

#include <QObject>

#include <array>
#include <cstdint>
#include <memory>

class LinkEngine;
class MenuState;
class TFormOscillo;

// The oscillogram side of the main window: creates the two module windows, feeds them
// from the link engine (it is the engine's OscilloHooks) and carries out the menu
// commands on them. The windows live as long as the controller.
class OscilloController : public QObject, public OscilloHooks {
    Q_OBJECT
public:
    OscilloController(LinkEngine& engine, MenuState& menu, QObject* parent = nullptr);
    ~OscilloController() override;

    // Start-up: module m's window (2 or 3), created hidden once, captioned
    // "Oscillogramm - " + the module's short name. Later calls return the same window.
    TFormOscillo* createModuleWindow(int module);
    // OscilloWindow[m]: the module's window, or none.
    TFormOscillo* window(int module) const;
    // The rule the indicator panel's rebuild applies to each row.
    SeriesRule& seriesRule() { return m_rule; }

    // Main menu.
    void Show_oscillogramClick();    // "&Display oscillogram"
    void Collect_oscilloClick();     // "&Collect data into oscillogram", after its toggle
    void ClearAlloscillogramClick(); // "Clear &oscillogram data"
    // Clears the current module's chart and starts its time line at 0 again. During a
    // stream of that module the time line restarts at the clear, so later points carry
    // times from there rather than from an unset start.
    void ClearOscillogram();

    // OscilloHooks.
    void scrollTime(int module, std::int64_t deltaMs) override;
    void repaint(int module) override;
    void setEndOsc(int module, std::uint32_t rgb, std::int64_t x) override;
    // Saving to a file comes with the oscillogram files; until then nothing is saved
    // and nothing is cleared (autosave is left to its default, which does nothing).

private:
    bool streamRuns(int module) const;
    std::pair<double, double> clearRange(int module) const;

    LinkEngine& m_engine;
    MenuState& m_menu;
    OscilloSeriesRule m_rule;
    std::array<std::unique_ptr<TFormOscillo>, ModuleSlots> m_windows;
    // The stream start each window's time axis was last aligned to: a new value means a
    // new stream, whose scroll mark starts again at one minute.
    std::array<std::int64_t, ModuleSlots> m_alignedStart{};
};
