#include "fake_controls.h"

#include "protocol/coloured_lines.h"
#include "protocol/registers.h"
#include "values/converters.h"

#include <gtest/gtest.h>

#include <array>
#include <optional>

namespace {

constexpr int CasRpm = 2;     // 16-bit, high byte in row 1
constexpr int MafLeft = 6;    // 16-bit, high byte in row 5
constexpr int Coolant = 9;    // offset -50, limits -40..120
constexpr int O2Left = 10;    // byte x 0.01
constexpr int Battery = 13;   // byte x 0.08
constexpr int Ignition = 27;  // 110 - raw, limits 0..50
constexpr int SelectLvr = 75; // offset -128, limits 0..7
constexpr int ThrottlePosi = 77;

class ConverterTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRegisterRuntime();
        ctx.OscTime = 1234;
        ctx.FirstRegister = 1;
        ctx.CollectOverMax = true;
        ctx.OverMaxSeen = &overMax;
        ctx.Log = &log;
    }
    void TearDown() override { ResetRegisterRuntime(); }

    // Gives row its fake controls, sets its byte (and the high byte), converts.
    int convert(int row, int raw, std::optional<int> high = {}, bool show = true,
                bool record = true) {
        RegisterTable[row].Gauge = &gauge;
        RegisterTable[row].Series = &series;
        RegisterTable[row].Raw = static_cast<std::uint8_t>(raw);
        if (high)
            RegisterTable[row - 1].Raw = static_cast<std::uint8_t>(*high);
        int r = row;
        Convert(r, show, record, ctx);
        return r;
    }

    FakeGauge gauge;
    FakeSeries series;
    DebugLog log;
    std::uint8_t overMax = 0;
    ConvertContext ctx;
};

struct ValueCase {
    int row;
    int raw;
    std::optional<int> high;
    float expected; // the float nearest to the decimal result
    bool overRange;
};

TEST_F(ConverterTest, ValuesAndLimitsOfTheCatalogue) {
    const ValueCase cases[] = {
        {Coolant, 0x8C, {}, 90.0f, false},  {Coolant, 0x00, {}, -50.0f, true},
        {Coolant, 10, {}, -40.0f, false},  // equal to Min
        {Coolant, 170, {}, 120.0f, false}, // equal to Max
        {Coolant, 171, {}, 121.0f, true},   {Ignition, 0x5A, {}, 20.0f, false},
        {Ignition, 200, {}, -90.0f, true},  {Ignition, 60, {}, 50.0f, false},
        {Ignition, 59, {}, 51.0f, true},    {CasRpm, 0x40, 0x01, 4.0f, false},
        {CasRpm, 0x80, 0x02, 8.0f, false},  {CasRpm, 0x81, 0x02, 8.0125f, true},
        {MafLeft, 0x20, 0x03, 4.0f, false}, {ThrottlePosi, 0xFF, {}, 100.0f, false},
        {SelectLvr, 0x80, {}, 0.0f, false}, {SelectLvr, 0x00, {}, -128.0f, true},
        {SelectLvr, 0x87, {}, 7.0f, false}, {Battery, 0xAF, {}, 14.0f, false},
        {O2Left, 45, {}, 0.45f, false},
    };
    for (const ValueCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " raw " << c.raw);
        gauge.readings.clear();
        series.points.clear();
        overMax = 0;
        const qsizetype linesBefore = log.count();

        EXPECT_EQ(convert(c.row, c.raw, c.high), c.row);

        EXPECT_EQ(RegisterTable[c.row].Value, c.expected);
        // The stored float, not the unrounded double, goes to the gauge and the series.
        ASSERT_EQ(gauge.readings.size(), 1u);
        EXPECT_EQ(gauge.readings[0], static_cast<double>(c.expected));
        ASSERT_EQ(series.points.size(), 1u);
        EXPECT_EQ(series.points[0].first, 1234.0);
        EXPECT_EQ(series.points[0].second, static_cast<double>(c.expected));
        EXPECT_EQ(overMax, c.overRange ? 1 : 0);
        EXPECT_EQ(log.count() - linesBefore, c.overRange ? 3 : 0);
    }
}

TEST_F(ConverterTest, OverRangeLinesAreWrittenWithoutDebugCollectionInTheLastColour) {
    log.setCollecting(false);
    log.setColour(ColouredLines::Purple);
    convert(Coolant, 0x00);
    ASSERT_EQ(log.count(), 3);
    EXPECT_EQ(log.line(0).text, ">> i ->       9");
    EXPECT_EQ(log.line(1).text, ">> Received ->       0");
    EXPECT_EQ(log.line(2).text, ">> Converted ->  -50.00");
    for (qsizetype i = 0; i < 3; ++i)
        EXPECT_EQ(log.line(i).colour, ColouredLines::Purple);

    // A 16-bit value reports its low byte.
    log.setColour(ColouredLines::Navy);
    convert(CasRpm, 0x81, 0x02);
    ASSERT_EQ(log.count(), 6);
    EXPECT_EQ(log.line(3).text, ">> i ->       2");
    EXPECT_EQ(log.line(4).text, ">> Received ->     129");
    EXPECT_EQ(log.line(5).text, ">> Converted ->    8.01");
    EXPECT_EQ(log.line(5).colour, ColouredLines::Navy);
}

TEST_F(ConverterTest, OverRangeSwitchOffLogsNothing) {
    ctx.CollectOverMax = false;
    convert(Coolant, 0x00);
    EXPECT_EQ(RegisterTable[Coolant].Value, -50.0f);
    EXPECT_EQ(overMax, 0);
    EXPECT_EQ(log.count(), 0);
}

TEST_F(ConverterTest, ShowAndRecordSwitches) {
    convert(Battery, 100, {}, /*show=*/false, /*record=*/true);
    EXPECT_TRUE(gauge.readings.empty());
    EXPECT_EQ(series.points.size(), 1u);
    convert(Battery, 101, {}, /*show=*/true, /*record=*/false);
    EXPECT_EQ(gauge.readings.size(), 1u);
    EXPECT_EQ(series.points.size(), 1u);
    EXPECT_EQ(RegisterTable[Battery].Value, 8.08f);
}

TEST_F(ConverterTest, ConvertersWithoutControlsOnlyStoreTheValue) {
    RegisterTable[Coolant].Raw = 0x8C;
    int row = Coolant;
    Convert(row, true, true, ctx);
    EXPECT_EQ(RegisterTable[Coolant].Value, 90.0f);

    // A high-byte row gets no value; a row number outside the table is ignored.
    RegisterTable[1].Raw = 0x7F;
    row = 1;
    Convert(row, true, true, ctx);
    EXPECT_EQ(row, 1);
    EXPECT_EQ(RegisterTable[1].Value, 0.0f);
    for (int bad : {0, -3, RegisterCount + 1}) {
        row = bad;
        Convert(row, true, true, ctx);
        EXPECT_EQ(row, bad);
    }
}

TEST_F(ConverterTest, AveragingSumsWordValuesOnly) {
    EXPECT_EQ(TakeAverage(CasRpm), 0.0); // read before any conversion
    StartAveraging(CasRpm);
    convert(CasRpm, 160, 0x00);  // 2.0
    convert(CasRpm, 0x40, 0x01); // 4.0
    EXPECT_EQ(RegisterTable[CasRpm].AvgSum, 6.0);
    EXPECT_EQ(RegisterTable[CasRpm].AvgCount, 2);
    EXPECT_EQ(TakeAverage(CasRpm), 3.0);
    EXPECT_FALSE(RegisterTable[CasRpm].Averaging);
    convert(CasRpm, 0x40, 0x01); // averaging has ended
    EXPECT_EQ(RegisterTable[CasRpm].AvgCount, 2);

    // A started average with nothing converted reads 0.
    StartAveraging(CasRpm);
    EXPECT_EQ(TakeAverage(CasRpm), 0.0);

    // Byte values never average.
    RegisterTable[Battery].Averaging = true;
    convert(Battery, 100);
    EXPECT_EQ(RegisterTable[Battery].AvgCount, 0);
}

// ---- bit groups

class BitGroupTest : public ::testing::Test {
protected:
    static constexpr int Group13 = 19; // bits 20..24, masks 0x01 0x02 0x04 0x08 0x10

    void SetUp() override {
        ResetRegisterRuntime();
        ctx.FirstRegister = 1;
        ctx.OverMaxSeen = &overMax;
        ctx.Log = &log;
        for (int b = 0; b < 5; ++b) {
            RegisterTable[Group13 + 1 + b].Selected = true;
            RegisterTable[Group13 + 1 + b].Lamp = &lamps[b];
            RegisterTable[Group13 + 1 + b].Series = &series[b];
        }
    }
    void TearDown() override { ResetRegisterRuntime(); }

    int feed(int groupByte, std::int64_t time, bool show = true, bool record = true) {
        ctx.OscTime = time;
        RegisterTable[Group13].Raw = static_cast<std::uint8_t>(groupByte);
        int row = Group13;
        Convert(row, show, record, ctx);
        return row;
    }

    using Points = std::vector<std::pair<double, double>>;

    std::array<FakeLamp, 5> lamps;
    std::array<FakeSeries, 5> series;
    DebugLog log;
    std::uint8_t overMax = 0;
    ConvertContext ctx;
};

TEST_F(BitGroupTest, EdgesAreTwoPointsOnTheBitsOwnLevels) {
    EXPECT_EQ(feed(0x00, 100), 24); // row left on the group's last bit
    for (int b = 0; b < 5; ++b) {
        EXPECT_TRUE(lamps[b].states.empty()); // a bit that stays off draws nothing
        EXPECT_TRUE(series[b].points.empty());
    }

    feed(0x05, 200);
    EXPECT_EQ(lamps[0].states, std::vector<bool>{true});
    EXPECT_EQ(lamps[2].states, std::vector<bool>{true});
    EXPECT_EQ(series[0].points, (Points{{200, 57}, {200, 58}})); // row 20: L = 57
    EXPECT_EQ(series[2].points, (Points{{200, 63}, {200, 64}})); // row 22: L = 63
    for (int b : {1, 3, 4}) {
        EXPECT_TRUE(lamps[b].states.empty());
        EXPECT_TRUE(series[b].points.empty());
    }
    EXPECT_EQ(RegisterTable[20].Value, 1.0f);
    EXPECT_EQ(RegisterTable[21].Value, 0.0f);

    feed(0x05, 300); // no change, nothing new
    EXPECT_EQ(series[0].points.size(), 2u);

    feed(0x04, 400); // bit 0x01 goes off
    EXPECT_EQ(lamps[0].states, (std::vector<bool>{true, false}));
    EXPECT_EQ(series[0].points, (Points{{200, 57}, {200, 58}, {400, 58}, {400, 57}}));
    EXPECT_EQ(series[2].points.size(), 2u);
    EXPECT_EQ(overMax, 0);
    EXPECT_EQ(log.count(), 0);
}

TEST_F(BitGroupTest, UnselectedBitsAreUntouched) {
    RegisterTable[22].Selected = false;
    feed(0x05, 200);
    EXPECT_EQ(RegisterTable[22].Value, 0.0f);
    EXPECT_TRUE(lamps[2].states.empty());
    EXPECT_TRUE(series[2].points.empty());
    EXPECT_EQ(lamps[0].states, std::vector<bool>{true});
}

TEST_F(BitGroupTest, ChangesSeenWithASwitchOffAreNotReplayed) {
    feed(0x01, 100, /*show=*/true, /*record=*/false);
    EXPECT_EQ(RegisterTable[20].Value, 1.0f);
    EXPECT_EQ(lamps[0].states, std::vector<bool>{true});
    EXPECT_TRUE(series[0].points.empty());

    feed(0x00, 200, /*show=*/false, /*record=*/true);
    EXPECT_EQ(lamps[0].states, std::vector<bool>{true});         // keeps its old state
    EXPECT_EQ(series[0].points, (Points{{200, 58}, {200, 57}})); // from the new state

    feed(0x00, 300); // no change: the lamp stays as it was
    EXPECT_EQ(lamps[0].states, std::vector<bool>{true});
    feed(0x01, 400);
    EXPECT_EQ(lamps[0].states, (std::vector<bool>{true, true}));
}

TEST(BitGroupLevels, LevelsCountFromTheUnitsFirstRow) {
    ResetRegisterRuntime();
    // AT group 0x0A at row 69, bits 70..73; row 74 is a value row.
    FakeSeries s56, s73;
    RegisterTable[56].Selected = true;
    RegisterTable[56].Series = &s56;
    RegisterTable[73].Selected = true;
    RegisterTable[73].Series = &s73;
    DebugLog log;
    ConvertContext ctx;
    ctx.FirstRegister = 49;
    ctx.OscTime = 7;
    ctx.Log = &log;

    RegisterTable[55].Raw = 0x01; // group 08, bit OD- SW
    int row = 55;
    Convert(row, true, true, ctx);
    EXPECT_EQ(row, 63);
    EXPECT_EQ(s56.points, (std::vector<std::pair<double, double>>{{7, 21}, {7, 22}}));

    RegisterTable[69].Raw = 0x80;
    row = 69;
    Convert(row, true, true, ctx);
    EXPECT_EQ(row, 73);
    EXPECT_EQ(s73.points, (std::vector<std::pair<double, double>>{{7, 72}, {7, 73}}));
    EXPECT_EQ(RegisterTable[74].Value, 0.0f);
    ResetRegisterRuntime();
}

} // namespace
