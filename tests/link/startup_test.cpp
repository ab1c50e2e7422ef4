#include "support/link_rig.h"

#include "protocol/active_tests.h"
#include "protocol/registers.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

ByteString hex(const char* h) {
    return ByteString::fromHex(h);
}
const QString CR = QString(QChar(0x0D));
QString lost(const QString& name) {
    return "ECU did not respond for " + name + "." + CR + "Communication closed.";
}

// Register probes: 0x5A + address for every address, each followed by `after`.
ByteString probes(const char* addresses, const char* after = "") {
    ByteString out;
    for (char a : hex(addresses))
        out += hex("5A") + a + hex(after);
    return out;
}

const char* const EcuAddresses = "000102030405060708090A0B0C0D0F10111213141516181A1B1C1D1E1F212223";
const char* const AtAddresses = "0001020304060809 0A0C0D0E0F10111214 15";

// The bytes sent to each unit: from its selection to the next one.
ByteString ecuPart(const ByteString& all) {
    return all.left(all.indexOf(hex("FFFFEA")));
}
ByteString atPart(const ByteString& all) {
    const qsizetype from = all.indexOf(hex("FFFFEA"));
    return all.mid(from, all.indexOf(hex("FFFFEF"), from) - from);
}

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        // What the real reading does to the state; the journal keeps the state seen.
        rig.faults.action = [this](int) {
            states << int(rig.engine.LinkState);
            rig.engine.LinkState = ssIdle;
        };
    }
    QStringList listed(int module) { return rig.indicators.sensors[module]; }
    LinkRig rig;
    QList<int> states;
};

TEST_F(Startup, FindsEveryRegisterOfBothUnitsAndEndsOnTheEngineUnit) {
    rig.engine.Initial();

    const ByteString ecu = hex("FFFFEF") + probes(EcuAddresses) + hex("30");
    ByteString active;
    for (const char* t : {"8000", "8100", "8200", "8400", "8500", "8700", "8900", "8A00", "8C00",
                          "8F00", "9000", "9300", "9400", "8B01", "8800"})
        active += hex("0A") + hex(t);
    const ByteString at = hex("FFFFEA") + probes(AtAddresses, "30") + hex("30");
    EXPECT_EQ(rig.port.written(), ecu + active + hex("30") + at + hex("FFFFEF"));

    EXPECT_EQ(rig.engine.CurrentModule, ModuleEcu);
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_EQ(rig.engine.CalcLength[ModuleEcu], 32);
    EXPECT_EQ(rig.engine.CalcLength[ModuleAt], 18);
    EXPECT_EQ(rig.engine.ModuleState[ModuleEcu].Present, 1);
    EXPECT_EQ(rig.engine.ModuleState[ModuleAt].Present, 1);
    // Value rows and bits are listed and checked; high-byte and group rows are not.
    EXPECT_EQ(listed(ModuleEcu).size(), 22 + 16);
    EXPECT_EQ(listed(ModuleAt).size(), 15 + 16);
    EXPECT_EQ(listed(ModuleEcu).first(), "CAS position - RPMx1000");
    EXPECT_EQ(RegisterTable[2].ListIndex, 0);
    EXPECT_EQ(RegisterTable[20].ListIndex, listed(ModuleEcu).indexOf("Closed/Open THL pos"));
    for (int r = 1; r <= RegisterCount; ++r) {
        EXPECT_TRUE(RegisterTable[r].Selected) << r;
        EXPECT_FALSE(RegisterTable[r].Unsupported) << r;
    }
    for (int t = 1; t <= ActiveCount; ++t)
        EXPECT_EQ(ActiveTable[t].Available, 1) << t;

    EXPECT_EQ(rig.faults.modes, (std::vector<int>{3, 1, 1}));
    // Each unit's turn starts busy; the reading itself ends idle.
    EXPECT_EQ(states, (QList<int>{ssBusy, ssIdle, ssBusy}));
    EXPECT_TRUE(rig.menu.isOn(MenuState::ECU1));
    EXPECT_FALSE(rig.menu.isOn(MenuState::AT1));
    EXPECT_TRUE(rig.menu.isOn(MenuState::ActiveTestsEnabled));
    EXPECT_EQ(rig.menu.modeCaption(), "&Mode ECU");
    EXPECT_FALSE(rig.view.notActiveVisible);
    EXPECT_TRUE(rig.view.boxVisible[ModuleEcu]);
    EXPECT_FALSE(rig.view.boxVisible[ModuleAt]);
    EXPECT_TRUE(rig.prompts.warnings.isEmpty());
    EXPECT_EQ(rig.engine.ModulePackets[ModuleEcu].Request, probes(EcuAddresses));

    // The order of what start-up drives, windows first and the engine unit last.
    const QStringList expected{"detect show",
                               "windows 2",
                               "windows 3",
                               "common windows",
                               "box 2 hidden",
                               "detect module Engine Control Unit",
                               "box 2 shown",
                               "not active hidden",
                               "detect range 1..48",
                               "sensors cleared 2",
                               "Show_Indicators",
                               "detect module Engine Active Tests",
                               "detect range 1..15",
                               "CUGetError 3",
                               "CUGetError 1",
                               "box 2 hidden",
                               "detect module AT Control Unit",
                               "active tests closed",
                               "box 3 shown",
                               "not active hidden",
                               "detect range 49..82",
                               "sensors cleared 3",
                               "Show_Indicators",
                               "CUGetError 1",
                               "detect close",
                               "box 3 hidden",
                               "box 2 shown",
                               "not active hidden"};
    EXPECT_EQ(rig.journal, expected);
}

TEST_F(Startup, DebugLinesOfTheStartUp) {
    rig.collectDebug(true);
    rig.unit.modules[ModuleAt].present = false;
    rig.engine.Initial();
    const QStringList lines = rig.logLines();
    EXPECT_EQ(lines.first(), "DIAGNOSTIC...");
    EXPECT_EQ(rig.log.line(0).colour, ColouredLines::Navy);
    EXPECT_EQ(lines.count("__InitECU has Executed"), 1);
    const QStringList shown =
        lines.filter(QRegularExpression("^__Show_Indicators has Executed 10:00:\\d\\d$"));
    EXPECT_EQ(shown.size(), 1);
    EXPECT_TRUE(lines.contains("SET PACKETS."));
    EXPECT_TRUE(
        lines.contains("ECU did not respond for: AT Input parameter. Communication closed."));
}

TEST_F(Startup, NothingConnected) {
    rig.unit.silent = true;
    const std::int64_t t0 = rig.pump.nowMs();
    rig.engine.Initial();

    EXPECT_EQ(rig.pump.nowMs() - t0, 2 * 1800) << "one selection time-out per unit";
    EXPECT_EQ(rig.prompts.warnings,
              (QStringList{lost("ECU Input parameter"), lost("AT Input parameter")}));
    EXPECT_EQ(rig.port.written(), hex("FFFFEF FFFFEA")) << "no stop request to a silent unit";
    for (int m : {ModuleEcu, ModuleAt}) {
        EXPECT_EQ(rig.engine.ModuleState[m].Present, 0);
        EXPECT_EQ(rig.engine.ModuleState[m].ClientHeight, 30);
    }
    EXPECT_TRUE(rig.view.notActiveVisible);
    EXPECT_FALSE(rig.menu.isOn(MenuState::CommandsEnabled));
    EXPECT_FALSE(rig.menu.isOn(MenuState::ViewEnabled));
    EXPECT_FALSE(rig.menu.isOn(MenuState::ActiveTestsEnabled));
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_FALSE(rig.view.detectVisible);
    EXPECT_TRUE(rig.faults.modes.empty());

    rig.engine.StartClick();
    EXPECT_EQ(rig.prompts.warnings.last(), "ECU request is empty. Exit.");
    EXPECT_EQ(rig.port.written(), hex("FFFFEF FFFFEA"));
}

TEST_F(Startup, OnlyTheTransmissionAnswers) {
    rig.unit.modules[ModuleEcu].present = false;
    rig.engine.Initial();
    EXPECT_EQ(rig.engine.CurrentModule, ModuleAt);
    EXPECT_EQ(rig.engine.FirstRegister, 49);
    EXPECT_EQ(rig.engine.LastRegister, 82);
    EXPECT_FALSE(rig.menu.isOn(MenuState::ActiveTestsEnabled));
    EXPECT_EQ(rig.menu.modeCaption(), "&Mode AT");
    EXPECT_TRUE(rig.menu.isOn(MenuState::AT1));
    EXPECT_FALSE(rig.view.notActiveVisible);
    EXPECT_EQ(rig.faults.modes, std::vector<int>{1});
    EXPECT_EQ(rig.prompts.warnings, QStringList{lost("ECU Input parameter")});
    EXPECT_EQ(rig.engine.ModulePackets[ModuleAt].Request, hex("9F"));
}

TEST_F(Startup, RefusedRegistersAndGroups) {
    // 0x13 is a group of five bits, 0x00 a high-byte row, 0x0C a value row.
    rig.unit.modules[ModuleEcu].refused = {0x13, 0x0C};
    rig.unit.modules[ModuleAt].refused = {0x09};
    rig.engine.Initial();

    for (int r = 19; r <= 24; ++r)
        EXPECT_TRUE(RegisterTable[r].Unsupported && !RegisterTable[r].Selected) << r;
    EXPECT_TRUE(RegisterTable[13].Unsupported);
    for (int r = 64; r <= 68; ++r)
        EXPECT_TRUE(RegisterTable[r].Unsupported) << r;
    EXPECT_FALSE(listed(ModuleEcu).contains("Start Signal (Cranking)"));
    EXPECT_FALSE(listed(ModuleEcu).contains("Battery Voltage"));
    EXPECT_EQ(listed(ModuleEcu).size(), 22 + 16 - 1 - 5);
    EXPECT_EQ(rig.engine.CalcLength[ModuleEcu], 30);
    EXPECT_EQ(rig.engine.CalcLength[ModuleAt], 17);
    // A refused AT register is not followed by "Exit from diag"; a supported one is.
    EXPECT_TRUE(rig.port.written().contains(hex("5A08 30 5A09 5A0A 30")));
    EXPECT_TRUE(rig.prompts.warnings.isEmpty()) << "a refusal is not reported";

    // The next start-up does not ask for them again, and lists every sensor once.
    rig.port.clearWrites();
    rig.engine.Initial();
    const ByteString again = rig.port.written();
    const ByteString ecu = ecuPart(again), at = atPart(again);
    EXPECT_FALSE(ecu.contains(hex("5A13")));
    EXPECT_FALSE(ecu.contains(hex("5A0C")));
    EXPECT_TRUE(ecu.contains(hex("5A0D")));
    EXPECT_FALSE(at.contains(hex("5A09")));
    EXPECT_TRUE(at.contains(hex("5A0C")));
    EXPECT_EQ(listed(ModuleEcu).size(), 22 + 16 - 1 - 5);
    EXPECT_EQ(listed(ModuleEcu).removeDuplicates(), 0);
}

TEST_F(Startup, HighByteAndGroupRowsAreStreamedButNotListed) {
    rig.unit.modules[ModuleEcu].supportAll = false;
    rig.unit.modules[ModuleEcu].supported = {0x00, 0x01, 0x1F};
    rig.engine.Initial();
    EXPECT_EQ(rig.engine.CalcLength[ModuleEcu], 3);
    EXPECT_TRUE(RegisterTable[1].Selected);  // "CAS position - RPM Hi", kind 2
    EXPECT_TRUE(RegisterTable[39].Selected); // "Group 1F"
    EXPECT_EQ(listed(ModuleEcu), (QStringList{"CAS position - RPMx1000", "P/Reg control valve",
                                              "Wastegate sol", "IACV-FICD sol", "EGR sol"}));
    EXPECT_EQ(RegisterTable[43].ListIndex, 4);
    EXPECT_EQ(rig.engine.ModulePackets[ModuleEcu].Request, hex("5A00 5A01 5A1F"));
    EXPECT_EQ(rig.engine.ModulePackets[ModuleEcu].Response, hex("A500 A501 A51F"));
}

TEST_F(Startup, UnansweredRegisterEndsTheUnitsDetection) {
    rig.unit.modules[ModuleEcu].silent = {0x0C};
    rig.engine.Initial();
    EXPECT_EQ(rig.prompts.warnings, QStringList{lost("Battery Voltage")});
    EXPECT_EQ(rig.engine.ModuleState[ModuleEcu].Present, 0);
    EXPECT_FALSE(ecuPart(rig.port.written()).contains(hex("5A0D"))) << "probing stopped at 0x0C";
    // Detection of the ECU ended without the stop request, then the AT was found.
    EXPECT_TRUE(rig.port.written().contains(hex("5A0C FFFFEA")));
    EXPECT_EQ(rig.engine.CurrentModule, ModuleAt);
    EXPECT_EQ(rig.indicators.shows, 1);
    EXPECT_FALSE(RegisterTable[13].Unsupported) << "an unanswered register may be probed again";
}

TEST_F(Startup, PortThatCannotBeOpened) {
    rig.port.openable = false;
    EXPECT_THROW(rig.engine.Initial(), std::runtime_error);
    EXPECT_EQ(rig.prompts.warnings,
              QStringList{"Com-port is not responding. Set correct port and make Reconnect."});
    EXPECT_FALSE(rig.view.detectVisible);
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_TRUE(rig.port.writes().empty());
}

TEST_F(Startup, ModeMenuSelectionOfASilentUnit) {
    rig.engine.Initial();
    rig.unit.modules[ModuleAt].present = false;
    EXPECT_FALSE(rig.engine.Set_Module(ModuleAt));
    EXPECT_EQ(rig.engine.CurrentModule, ModuleEcu) << "a failed selection keeps the current unit";
    EXPECT_EQ(rig.engine.FirstRegister, 1);
    EXPECT_TRUE(rig.view.notActiveVisible);
    EXPECT_EQ(rig.engine.ModuleState[ModuleAt].ClientHeight, 30);
    EXPECT_TRUE(rig.menu.isOn(MenuState::StartEnabled));
    EXPECT_FALSE(rig.menu.isOn(MenuState::CommandsEnabled));

    rig.unit.modules[ModuleAt].present = true;
    EXPECT_TRUE(rig.engine.Set_Module(ModuleAt));
    EXPECT_FALSE(rig.view.notActiveVisible);
    EXPECT_TRUE(rig.menu.isOn(MenuState::CommandsEnabled));
    EXPECT_EQ(rig.engine.CurrentModule, ModuleAt);
}

TEST_F(Startup, CablePulledDuringDetectionEndsItAtOnce) {
    // Pulled while the ECU's registers are probed: every wait from then on ends at
    // once as if the unit were silent, and the port is left closed.
    rig.port.hangUpAt(rig.pump.nowMs() + 950);
    const std::int64_t t0 = rig.pump.nowMs();
    rig.engine.Initial();
    EXPECT_LT(rig.pump.nowMs() - t0, 1000);
    EXPECT_FALSE(rig.port.isActive());
    EXPECT_EQ(rig.engine.ModuleState[ModuleEcu].Present, 0);
    EXPECT_EQ(rig.engine.ModuleState[ModuleAt].Present, 0);
    ASSERT_EQ(rig.prompts.warnings.size(), 2);
    EXPECT_EQ(rig.prompts.warnings.last(), lost("AT Input parameter"));
    EXPECT_EQ(rig.engine.LinkState, ssIdle);

    // Plugged in again: "Reconnect" opens the port and finds both units.
    rig.port.replug();
    rig.prompts.warnings.clear();
    rig.engine.Initial();
    EXPECT_TRUE(rig.port.isActive());
    EXPECT_FALSE(rig.engine.portLost());
    EXPECT_EQ(rig.engine.ModuleState[ModuleEcu].Present, 1);
    EXPECT_EQ(rig.engine.ModuleState[ModuleAt].Present, 1);
    EXPECT_TRUE(rig.prompts.warnings.isEmpty());
}

} // namespace
