// Every command exchange: request bytes in, the unit's exact reply out.

#include "sim_fixture.h"

#include <QFile>
#include <QTemporaryDir>

#include <functional>

namespace {

struct Step {
    const char* send;
    const char* reply; // exactly these bytes, nothing before or between
};

struct Script {
    const char* name;
    std::function<void(unitsim::SimConfig&)> scenario;
    std::vector<Step> steps;
};

void PrintTo(const Script& s, std::ostream* os) {
    *os << s.name;
}

const auto asIs = [](unitsim::SimConfig&) {};

const Script Scripts[] = {
    {"SelectEcu", asIs, {{"FFFFEF", "10"}}},
    {"SelectAt", asIs, {{"FFFFEA", "15"}}},
    {"ReselectWithoutWakeUp", asIs, {{"FFFFEF", "10"}, {"EF", "10"}}},
    {"RegisterProbe",
     asIs,
     {{"FFFFEF", "10"}, {"5A", "A5"}, {"0C", "0C"}, {"5A", "A5"}, {"99", "FE"}, {"30", "CF"}}},
    {"UnsupportedRegister",
     [](unitsim::SimConfig& c) { c.ecu.registers.reset(0x05); },
     {{"FFFFEF", "10"}, {"5A", "A5"}, {"05", "FE"}, {"5A", "A5"}, {"04", "04"}}},
    {"AtDetectionExitsAfterEachRegister",
     asIs,
     {{"FFFFEA", "15"},
      {"5A", "A5"},
      {"0C", "0C"},
      {"30", "CF"},
      {"5A", "A5"},
      {"08", "08"},
      {"30", "CF"},
      {"5A", "A5"},
      {"07", "FE"}}},
    {"ActiveTestProbe",
     asIs,
     {{"FFFFEF", "10"},
      {"0A", "F5"},
      {"8B01", "8B01"},
      {"0A", "F5"},
      {"8800", "8800"},
      {"30", "CF"}}},
    {"ActiveTestRefusedSwallowsItsValue",
     [](unitsim::SimConfig& c) { c.ecu.tests.reset(0x90); },
     {{"FFFFEF", "10"}, {"0A", "F5"}, {"9000", "FE"}, {"0A", "F5"}, {"7730", "FE"}, {"30", "CF"}}},
    {"AtRefusesTheActivePrefix", asIs, {{"FFFFEA", "15"}, {"0A", "FE"}}},
    {"StreamRequestInOneWrite",
     asIs,
     {{"FFFFEF", "10"}, {"0A808C0A88045A0C5A0D", "F5808CF58804A50CA50D"}, {"30", "CF"}}},
    {"FaultAndIdentificationCommands",
     asIs,
     {{"FFFFEF", "10"},
      {"D1", "2E"},
      {"30", "CF"},
      {"C1", "3E"},
      {"30", "CF"},
      {"D0", "2F"},
      {"30", "CF"}}},
    {"AtHasNoIdentification", asIs, {{"FFFFEA", "15"}, {"D0", "FE"}, {"D1", "2E"}}},
    {"StreamAllOnlyOnTheAt",
     asIs,
     {{"FFFFEF", "10"}, {"9F", "FE"}, {"FFFFEA", "15"}, {"9F", "60"}}},
    {"UnknownCommandAndEmptyRequest", asIs, {{"FFFFEF", "10"}, {"42", "FE"}, {"F0", "FE"}}},
    {"SilentUntilSelected", asIs, {{"5A30D1F00A42FFFFEF", "10"}}},
    {"WakeUpDeselects", asIs, {{"FFFFEF", "10"}, {"FF5A30FFFFEA", "15"}}},
    {"AbsentAtIsSilent",
     [](unitsim::SimConfig& c) { c.at.present = false; },
     {{"FFFFEAFFFFEF", "10"}}},
    {"AbsentEcuIsSilent",
     [](unitsim::SimConfig& c) { c.ecu.present = false; },
     {{"FFFFEF5AFFFFEA", "15"}}},
    {"AirconNeverAnswers", asIs, {{"FFFFDF5AD1FFFFEF", "10"}}},
    {"SelectingAnotherUnitDeselects",
     [](unitsim::SimConfig& c) { c.at.present = false; },
     {{"FFFFEF", "10"}, {"EA5A30EF", "10"}}},
};

class Exchanges : public SimFixture, public ::testing::WithParamInterface<Script> {};

TEST_P(Exchanges, UnitAnswersExactly) {
    unitsim::SimConfig config = fastConfig();
    GetParam().scenario(config);
    start(config);
    for (const Step& step : GetParam().steps) {
        const QByteArray expected = hex(step.reply);
        EXPECT_EQ(line().exchange(hex(step.send), expected.size()).toHex(' '), expected.toHex(' '))
            << "after sending " << step.send;
    }
    // Nothing more may follow the last reply: a fresh selection is answered alone.
    const bool ecu = config.ecu.present;
    EXPECT_EQ(line().exchange(hex(ecu ? "FFFFEF" : "FFFFEA"), 1).toHex(' '),
              QByteArray(ecu ? "10" : "15"));
}

INSTANTIATE_TEST_SUITE_P(Unit, Exchanges, ::testing::ValuesIn(Scripts),
                         [](const auto& info) { return std::string(info.param.name); });

class Session : public SimFixture {};

// While streaming the unit listens only for the stop byte and for a selection: other
// bytes neither answer nor disturb the frames.
TEST_F(Session, StreamIgnoresStrayBytesAndStopsOnExit) {
    start(fastConfig());
    select(2);
    ASSERT_EQ(line().exchange(hex("5A0C"), 2), hex("A50C"));
    line().clear();
    line().send(hex("F0"));
    ASSERT_TRUE(line().waitForBytes(300));
    line().send(hex("5A0AD1F0FF42"));
    ASSERT_TRUE(line().waitUntil([&] { return sim().bytesProcessed() >= 12; }));
    const qsizetype mark = line().received().size();
    ASSERT_TRUE(line().waitForBytes(mark + 300));
    stopStream();
    qsizetype end = 0;
    const auto frames = splitFrames(line().received(), &end);
    EXPECT_GT(frames.size(), 150u);
    for (const QByteArray& f : frames)
        ASSERT_EQ(f.left(2), hex("FF01"));
    // Whatever follows the last whole frame is the start of a cut frame and the 0xCF.
    EXPECT_LE(line().received().size() - end, 3);
    EXPECT_EQ(line().exchange(hex("5A0D"), 2), hex("A50D"));
}

// A selection during a stream ends it and selects that unit.
TEST_F(Session, SelectionEndsAStream) {
    start(fastConfig());
    select(2);
    ASSERT_EQ(line().exchange(hex("5A0C"), 2), hex("A50C"));
    line().send(hex("F0"));
    ASSERT_TRUE(line().waitForBytes(100));
    line().send(hex("FFFFEA"));
    ASSERT_TRUE(line().waitUntil([&] { return line().received().endsWith('\x15'); }));
    EXPECT_EQ(line().exchange(hex("9F"), 1), hex("60"));
}

// Line garbage in any state: the unit answers what it answers, never stops serving, and a
// wake-up and selection bring it back from wherever the garbage left it.
TEST_F(Session, SurvivesRandomBytes) {
    start(fastConfig());
    std::uint64_t state = 12345;
    QByteArray garbage;
    for (int i = 0; i < 20000; ++i) {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        garbage.append(static_cast<char>(state >> 56));
    }
    for (qsizetype i = 0; i < garbage.size(); i += 500) {
        line().send(garbage.mid(i, 500));
        ASSERT_TRUE(line().waitUntil(
            [&] { return sim().bytesProcessed() >= static_cast<std::uint64_t>(i + 500); }));
        line().clear();
    }
    // An address, a test code, a test value, the value of a refused test, a stream: four
    // 0xFF get out of each, and the selection is then answered.
    line().send(hex("FFFFFFFFEF"));
    ASSERT_TRUE(line().waitUntil([&] {
        return sim().bytesProcessed() == 20005 && line().totalReceived() == sim().bytesSent();
    }));
    EXPECT_TRUE(line().received().endsWith('\x10'));
    EXPECT_EQ(line().exchange(hex("5A0C"), 2), hex("A50C"));
    EXPECT_TRUE(sim().failure().isEmpty());
}

TEST_F(Session, TranscriptHoldsEveryReceivedByteWithItsTime) {
    QTemporaryDir dir;
    unitsim::SimConfig config = fastConfig();
    config.transcript = dir.filePath(QStringLiteral("rx.txt"));
    start(config);
    select(2);
    ASSERT_EQ(line().exchange(hex("5A0C5A0D"), 4), hex("A50CA50D"));
    sim().stop();
    QFile file(config.transcript);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QByteArray bytes;
    double last = -1.0;
    for (const QByteArray& l : file.readAll().split('\n')) {
        if (l.isEmpty())
            continue;
        const QList<QByteArray> parts = l.split(' ');
        bool ok = false;
        const double t = parts[0].toDouble(&ok);
        ASSERT_TRUE(ok) << l.constData();
        EXPECT_GE(t, last);
        last = t;
        for (qsizetype i = 1; i < parts.size(); ++i)
            bytes += QByteArray::fromHex(parts[i]);
    }
    EXPECT_EQ(bytes, hex("FFFFEF5A0C5A0D"));
}

} // namespace
