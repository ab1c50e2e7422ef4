#pragma once

#include "link/link_engine.h"
#include "link/menu_state.h"
#include "protocol/coloured_lines.h"
#include "support/fake_link_port.h"
#include "support/fake_prompts.h"
#include "support/fake_unit.h"
#include "support/gtest_qt.h"
#include "support/recording_hooks.h"
#include "support/virtual_pump.h"

#include <QStringList>

// A link engine with every seam faked: virtual clock, a port with a scripted unit
// behind it, recorded prompts and hooks, a real DebugLog and MenuState. The
// process-wide register and active-test tables are reset on construction.
//
//     LinkRig rig;                  // unit answers everything, port closed
//     rig.engine.Initial();         // opens the port, detects both units
//     EXPECT_EQ(rig.port.written().toHex(), ...);
struct LinkRig {
    LinkRig();

    VirtualPump pump;
    FakeLinkPort port{pump};
    FakeUnit unit{pump, port};
    FakePrompts prompts;
    DebugLog log;
    MenuState menu;
    Journal journal;
    RecordingView view{journal};
    RecordingIndicators indicators{journal};
    RecordingOscillo oscillo{journal};
    RecordingFaults faults{journal};
    RecordingConverters converters;
    LinkEngine engine;

    // Debug log lines (texts only) from line index first on.
    QStringList logLines(qsizetype first = 0) const;
    // "#RRGGBB text" per line, to check colours.
    QStringList colouredLines(qsizetype first = 0) const;
    void collectDebug(bool on) { menu.set(MenuState::Collect_debug, on); }
};
