#include "support/link_rig.h"

#include "protocol/active_tests.h"

#include <gtest/gtest.h>

namespace {

ByteString hex(const char* h) {
    return ByteString::fromHex(h);
}
const QString CR = QString(QChar(0x0D));

class Probe : public ::testing::Test {
protected:
    void SetUp() override {
        rig.port.setActive(true);
        rig.engine.WaitForMngRespond(cmdEcuSelect, true);
        rig.engine.LinkState = ssBusy;
        rig.port.clearWrites();
        // Flags left from an earlier start-up show what the probe leaves alone.
        for (int t = 1; t <= ActiveCount; ++t)
            ActiveTable[t].Available = 7;
    }
    std::vector<int> flags() {
        std::vector<int> out;
        for (int t = 1; t <= ActiveCount; ++t)
            out.push_back(ActiveTable[t].Available);
        return out;
    }
    LinkRig rig;
};

TEST_F(Probe, AsksForEveryTestWithItsValueByte) {
    rig.engine.Diagnostics_ECUActive();
    EXPECT_EQ(rig.port.written(),
              hex("0A8000 0A8100 0A8200 0A8400 0A8500 0A8700 0A8900 0A8A00 0A8C00 0A8F00 0A9000 "
                  "0A9300 0A9400 0A8B01 0A8800 30"));
    EXPECT_EQ(flags(), std::vector<int>(15, 1));
    EXPECT_EQ(rig.view.detectModule, "Engine Active Tests");
    EXPECT_EQ(rig.view.rangeMin, 1);
    EXPECT_EQ(rig.view.rangeMax, 15);
    EXPECT_EQ(rig.view.positions,
              (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}));
    // The test and its value go out in one write.
    EXPECT_EQ(rig.port.writes()[1].bytes, hex("8000"));
}

TEST_F(Probe, RefusedTestsAreMarkedAndTheEntryStaysEnabled) {
    rig.menu.set(MenuState::ActiveTestsEnabled, false);
    for (int t = 1; t <= ActiveCount; ++t)
        rig.unit.refusedTests.insert(std::uint8_t(byteAt(ActiveTable[t].Code, 0)));
    rig.engine.Diagnostics_ECUActive();
    EXPECT_EQ(flags(), std::vector<int>(15, 0));
    EXPECT_TRUE(rig.menu.isOn(MenuState::ActiveTestsEnabled));
    EXPECT_TRUE(rig.prompts.warnings.isEmpty());
    EXPECT_TRUE(rig.port.written().endsWith(hex("0A8800 30")));
}

TEST_F(Probe, MissingEchoEndsTheProbeWithoutStopRequest) {
    rig.unit.refusedTests = {0x81};
    rig.unit.silentTests = {0x85}; // test 5, "IACV opening"
    const std::int64_t t0 = rig.pump.nowMs();
    rig.engine.Diagnostics_ECUActive();
    EXPECT_EQ(flags(), (std::vector<int>{1, 0, 1, 1, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7, 7}));
    EXPECT_EQ(rig.prompts.warnings,
              QStringList{"ECU did not respond for IACV opening." + CR + "Communication closed."});
    EXPECT_TRUE(rig.port.written().endsWith(hex("0A8500"))) << "no stop request";
    EXPECT_EQ(rig.engine.LinkState, ssBusy);
    // Four answered tests of a few ms each, then the full 900 ms wait for the echo.
    EXPECT_GE(rig.pump.nowMs() - t0, 900);
    EXPECT_LT(rig.pump.nowMs() - t0, 1000);
}

TEST_F(Probe, UnansweredPrefixStopsProbing) {
    rig.unit.intercept = [](std::uint8_t b) { return b == 0x0A; };
    rig.engine.Diagnostics_ECUActive();
    EXPECT_EQ(rig.port.written(), hex("0A")) << "no stop request after the link was lost";
    EXPECT_EQ(rig.prompts.warnings,
              QStringList{"ECU did not respond for Active preff." + CR + "Communication closed."});
    EXPECT_EQ(rig.engine.LinkState, ssLinkLost);
    EXPECT_EQ(flags(), std::vector<int>(15, 7));
}

TEST_F(Probe, EchoAndErrorInOneLookCountAsAvailable) {
    rig.collectDebug(true);
    bool first = true;
    rig.unit.intercept = [&](std::uint8_t b) {
        // The first test's code: answer echo and error byte together.
        if (first && b == 0x80) {
            first = false;
            rig.port.deliverAfter(3, hex("80FE"));
            return true;
        }
        return false;
    };
    const qsizetype before = rig.log.count();
    rig.engine.Diagnostics_ECUActive();
    EXPECT_EQ(ActiveTable[1].Available, 1);
    const QStringList lines = rig.colouredLines(before).mid(0, 28);
    const QStringList test1 = lines.mid(lines.indexOf("#008000 Active parametr protocol"), 12);
    EXPECT_EQ(test1, (QStringList{
                         "#008000 Active parametr protocol",
                         "#008000 Tx :80 - Coolant temperature",
                         "#008000 PAR Waiting for RxFlag Event... Timeout!",
                         "#008000 Buff! ->80FE",
                         "#008000 Flag! ->True",
                         "#FF0000 Error! -> Coolant temperature is inactive.",
                         "#FF0000 Buff Len:       2PosR:       2 ->80FE",
                         "#FF0000 PAR We get RxFlag! ->10:00:00",
                         "#FF0000 Buff! ->80FE",
                         "#FF0000 Flag! ->False",
                         "#FF0000 Parementr Coolant temperature is ACTIVE",
                         "#000080 Managed protocol",
                     }));
}

} // namespace
