// The engine over the real serial component, a pseudo-terminal and the unit
// simulator in fast mode.
#include "protocol/active_tests.h"
#include "protocol/registers.h"
#include "support/gtest_qt.h"
#include "support/live_rig.h"
#include "support/recording_hooks.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr int Com = 117;
const QString CR = QString(QChar(0x0D));

class LiveLink : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(rig.home.isValid()); }
    void startSimulator(unitsim::SimConfig config) {
        config.fast = true;
        QString error;
        ASSERT_TRUE(rig.startSimulator(config, &error)) << error.toStdString();
    }
    // Frames converted: calls for a row, less the closing pass.
    int framesConverted(int row) { return int(converters.callsFor(row).size()) - 1; }

    Journal journal;
    RecordingView view{journal};
    RecordingIndicators indicators{journal};
    RecordingConverters converters{[this] { return rig.engine->OscTime; }};
    LiveRig rig{Com, {.view = &view, .indicators = &indicators, .converters = &converters}};
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

    rig.engine->Initial();

    EXPECT_TRUE(rig.prompts.warnings.isEmpty()) << rig.prompts.warnings.join("|").toStdString();
    EXPECT_EQ(rig.engine->CurrentModule, ModuleEcu);
    for (int m : {ModuleEcu, ModuleAt})
        EXPECT_EQ(rig.engine->ModuleState[m].Present, 1) << m;
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
    EXPECT_EQ(rig.engine->CalcLength[ModuleEcu], 32 - 3);
    EXPECT_EQ(rig.engine->CalcLength[ModuleAt], 18 - 2);
    EXPECT_EQ(rig.engine->LinkState, ssIdle);
}

TEST_F(LiveLink, MinuteOfStreamingLosesNoFrame) {
    // A minute of line time: 34-byte frames at 9600 baud, then the unit falls silent.
    const int frames = int(std::ceil(60000.0 / (34 * 10 * 1000.0 / 9600)));
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    config.silenceAfterFrames = std::uint64_t(frames);
    startSimulator(config);
    rig.component.setActive(true);
    rig.engine->LinkState = ssBusy;
    ASSERT_TRUE(rig.engine->Set_Module(ModuleEcu));
    for (int r = 1; r <= 48; ++r)
        RegisterTable[r].Selected = true;
    rig.engine->Set_Packets();
    ASSERT_EQ(rig.engine->CalcLength[ModuleEcu], 32);
    rig.engine->LinkState = ssIdle;

    rig.engine->StartClick();

    EXPECT_EQ(rig.sim->framesSent(), std::uint64_t(frames));
    EXPECT_EQ(framesConverted(13), frames);
    EXPECT_EQ(framesConverted(2), frames);
    // The unit fell silent: the stream ends as for a silent unit.
    EXPECT_EQ(rig.prompts.warnings,
              (QStringList{"ECU did not respond for Exit from diag." + CR + "Communication closed.",
                           "ECU closed communication unexpectedly."}));
    EXPECT_EQ(rig.engine->LinkState, ssIdle);
    EXPECT_TRUE(rig.engine->RxData.isEmpty());
}

TEST_F(LiveLink, HangUpDuringTheStreamEndsItAtOnce) {
    unitsim::SimConfig config = unitsim::SimConfig::defaults();
    config.hangupAfterSeconds = 2.5;
    startSimulator(config);
    rig.component.setActive(true);
    rig.engine->LinkState = ssBusy;
    ASSERT_TRUE(rig.engine->Set_Module(ModuleEcu));
    RegisterTable[13].Selected = true;
    rig.engine->Set_Packets();
    rig.engine->LinkState = ssIdle;

    rig.engine->StartClick();

    EXPECT_TRUE(rig.sim->hungUp());
    EXPECT_TRUE(rig.engine->portLost());
    EXPECT_FALSE(rig.component.Active());
    EXPECT_GT(framesConverted(13), 10);
    EXPECT_EQ(rig.prompts.warnings, QStringList{"ECU closed communication unexpectedly."});
    EXPECT_EQ(rig.menu.startCaption(), "&Start");
    EXPECT_EQ(rig.engine->LinkState, ssIdle);
}

} // namespace
