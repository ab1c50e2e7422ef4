// The engine over the real serial component, a pseudo-terminal and the unit
// simulator in fast mode.
#include "link/link_engine.h"
#include "link/qt_event_pump.h"
#include "link/serial_link_port.h"
#include "protocol/active_tests.h"
#include "protocol/registers.h"
#include "serial/dore_dor_iror.h"
#include "serial/port_names.h"
#include "support/fake_prompts.h"
#include "support/gtest_qt.h"
#include "support/recording_hooks.h"
#include "unitsim/unit_simulator.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace {

constexpr int Com = 117;
const QString CR = QString(QChar(0x0D));

class LiveLink : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("XDG_CONFIG_HOME", home.path().toUtf8());
        ResetRegisterRuntime();
        ResetActiveRuntime();
        LinkEngine::Seams s;
        s.pump = &pump;
        s.port = &port;
        s.prompts = &prompts;
        s.log = &log;
        s.menu = &menu;
        s.view = &view;
        s.indicators = &indicators;
        s.converters = &converters;
        engine = std::make_unique<LinkEngine>(s);
        port.bind(*engine);
        component.setPort(Com);
    }
    void TearDown() override {
        port.unbind();
        if (component.Active())
            component.setActive(false);
        if (sim)
            sim->stop();
    }
    void startSimulator(unitsim::SimConfig config) {
        config.com = Com;
        config.portsDir = ZvConfigDir() + QStringLiteral("/ports");
        config.fast = true;
        sim = std::make_unique<unitsim::UnitSimulator>(config);
        QString error;
        ASSERT_TRUE(sim->start(&error)) << error.toStdString();
    }
    // Frames converted: calls for a row, less the closing pass.
    int framesConverted(int row) { return int(converters.callsFor(row).size()) - 1; }

    QTemporaryDir home;
    std::unique_ptr<unitsim::UnitSimulator> sim;
    DOreDorIror component;
    SerialLinkPort port{component};
    QtEventPump pump;
    FakePrompts prompts;
    DebugLog log;
    MenuState menu;
    Journal journal;
    RecordingView view{journal};
    RecordingIndicators indicators{journal};
    RecordingConverters converters{[this] { return engine->OscTime; }};
    std::unique_ptr<LinkEngine> engine;
};

TEST_F(LiveLink, StartUpFindsExactlyWhatTheUnitsSupport) {
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    for (int addr : {0x0C, 0x13, 0x22})
        config.ecu.registers.reset(std::size_t(addr));
    config.at.registers.reset(0x0E);
    config.at.registers.reset(0x09);
    for (int code : {0x85, 0x93})
        config.ecu.tests.reset(std::size_t(code));
    startSimulator(config);

    engine->Initial();

    EXPECT_TRUE(prompts.warnings.isEmpty()) << prompts.warnings.join("|").toStdString();
    EXPECT_EQ(engine->CurrentModule, ModuleEcu);
    for (int m : {ModuleEcu, ModuleAt})
        EXPECT_EQ(engine->ModuleState[m].Present, 1) << m;
    for (int r = 1; r <= RegisterCount; ++r) {
        const auto& scenario = r <= 48 ? config.ecu : config.at;
        const bool supported = scenario.registers.test(RegisterTable[r].Addr);
        EXPECT_EQ(RegisterTable[r].Unsupported, !supported) << "row " << r;
        EXPECT_EQ(RegisterTable[r].Selected, supported) << "row " << r;
    }
    for (int t = 1; t <= ActiveCount; ++t)
        EXPECT_EQ(ActiveTable[t].Available,
                  config.ecu.tests.test(byteAt(ActiveTable[t].Code, 0)) ? 1 : 0)
            << "test " << t;
    EXPECT_EQ(engine->CalcLength[ModuleEcu], 32 - 3);
    EXPECT_EQ(engine->CalcLength[ModuleAt], 18 - 2);
    EXPECT_EQ(engine->LinkState, ssIdle);
}

TEST_F(LiveLink, MinuteOfStreamingLosesNoFrame) {
    // A minute of line time: 34-byte frames at 9600 baud, then the unit falls silent.
    const int frames = int(std::ceil(60000.0 / (34 * 10 * 1000.0 / 9600)));
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    config.silenceAfterFrames = std::uint64_t(frames);
    startSimulator(config);
    component.setActive(true);
    engine->LinkState = ssBusy;
    ASSERT_TRUE(engine->Set_Module(ModuleEcu));
    for (int r = 1; r <= 48; ++r)
        RegisterTable[r].Selected = true;
    engine->Set_Packets();
    ASSERT_EQ(engine->CalcLength[ModuleEcu], 32);
    engine->LinkState = ssIdle;

    engine->StartClick();

    EXPECT_EQ(sim->framesSent(), std::uint64_t(frames));
    EXPECT_EQ(framesConverted(13), frames);
    EXPECT_EQ(framesConverted(2), frames);
    // The unit fell silent: the stream ends as for a silent unit.
    EXPECT_EQ(prompts.warnings,
              (QStringList{"ECU did not respond for Exit from diag." + CR + "Communication closed.",
                           "ECU closed communication unexpectedly."}));
    EXPECT_EQ(engine->LinkState, ssIdle);
    EXPECT_TRUE(engine->RxData.isEmpty());
}

TEST_F(LiveLink, HangUpDuringTheStreamEndsItAtOnce) {
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    config.hangupAfterSeconds = 2.5;
    startSimulator(config);
    component.setActive(true);
    engine->LinkState = ssBusy;
    ASSERT_TRUE(engine->Set_Module(ModuleEcu));
    RegisterTable[13].Selected = true;
    engine->Set_Packets();
    engine->LinkState = ssIdle;

    engine->StartClick();

    EXPECT_TRUE(sim->hungUp());
    EXPECT_TRUE(engine->portLost());
    EXPECT_FALSE(component.Active());
    EXPECT_GT(framesConverted(13), 10);
    EXPECT_EQ(prompts.warnings, QStringList{"ECU closed communication unexpectedly."});
    EXPECT_EQ(menu.startCaption(), "&Start");
    EXPECT_EQ(engine->LinkState, ssIdle);
}

} // namespace
