#pragma once

#include "link/link_engine.h"
#include "link/menu_state.h"
#include "link/qt_event_pump.h"
#include "link/serial_link_port.h"
#include "serial/dore_dor_iror.h"
#include "support/fake_prompts.h"
#include "unitsim/unit_simulator.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>

// XDG_CONFIG_HOME pointed at a temporary directory for the object's lifetime, so
// COM<n> links never meet a user's; the previous value comes back afterwards.
class ScopedConfigHome {
public:
    ScopedConfigHome();
    ~ScopedConfigHome();
    ScopedConfigHome(const ScopedConfigHome&) = delete;
    ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
    bool m_hadPrevious = false;
};

// Optional seams of a LiveRig; without a pump the rig's own QtEventPump runs the
// waits.
struct LiveRigHooks {
    EventPump* pump = nullptr;
    LinkView* view = nullptr;
    IndicatorHooks* indicators = nullptr;
    Converters* converters = nullptr;
};

// The link engine over the real serial component and a pseudo-terminal, with the
// unit simulator on the other end. The register and active-test tables are reset
// on construction; prompts are recorded.
//
//     LiveRig rig(117);
//     ASSERT_TRUE(rig.startSimulator(config, &error));
//     rig.engine->Initial();
struct LiveRig {
    using Hooks = LiveRigHooks;

    explicit LiveRig(int comNumber, const Hooks& hooks = {});
    ~LiveRig();
    LiveRig(const LiveRig&) = delete;
    LiveRig& operator=(const LiveRig&) = delete;

    // Starts the simulator on the rig's COM number; false with the reason in error.
    bool startSimulator(unitsim::SimConfig config, QString* error);

    const int com;
    ScopedConfigHome home; // before the rest: in place before anything reads the configuration
    std::unique_ptr<unitsim::UnitSimulator> sim;
    DOreDorIror component;
    SerialLinkPort port{component};
    QtEventPump pump;
    FakePrompts prompts;
    DebugLog log;
    MenuState menu;
    std::unique_ptr<LinkEngine> engine;
};
