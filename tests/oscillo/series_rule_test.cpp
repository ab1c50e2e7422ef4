#include "oscillo/osc_recording.h"
#include "oscillo/oscillo_series_rule.h"
#include "oscillo/series_palette.h"
#include "protocol/registers.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class SeriesRuleTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetRegisterRuntime();
        rule.setRecording(ModuleEcu, &ecu);
        rule.setRecording(ModuleAt, &at);
    }
    void TearDown() override { ResetRegisterRuntime(); }

    // What the indicator panel's rebuild does for the module's rows.
    void rebuild(int module) {
        const auto range = RegisterRange(module);
        rule.beginRebuild(module);
        for (int r = range.first; r <= range.last; ++r)
            rule.apply(module, r);
    }
    static void selectAll(int module, bool on) {
        const auto range = RegisterRange(module);
        for (int r = range.first; r <= range.last; ++r)
            RegisterTable[r].Selected = on;
    }
    static OscSeries* seriesOf(int row) {
        return static_cast<OscSeries*>(RegisterTable[row].Series);
    }

    OscRecording ecu;
    OscRecording at;
    OscilloSeriesRule rule;
};

TEST_F(SeriesRuleTest, AllEcuRegistersTakeColoursPerScaleInRowOrder) {
    selectAll(ModuleEcu, true);
    rebuild(ModuleEcu);

    const std::vector<int> custom{2, 4, 6, 8, 10, 11, 14, 26, 48};
    const std::vector<int> left{9,  12, 13, 15, 16, 17, 18, 20, 21, 22, 23, 24, 27, 28, 29,
                                30, 31, 32, 34, 35, 36, 37, 38, 40, 41, 42, 43, 45, 46};
    for (std::size_t i = 0; i < custom.size(); ++i) {
        OscSeries* s = seriesOf(custom[i]);
        ASSERT_NE(s, nullptr) << "row " << custom[i];
        EXPECT_EQ(s->axis(), OscAxis::Custom) << "row " << custom[i];
        EXPECT_EQ(s->colour(), SeriesPalette[i + 1]) << "row " << custom[i];
    }
    for (std::size_t i = 0; i < left.size(); ++i) {
        OscSeries* s = seriesOf(left[i]);
        ASSERT_NE(s, nullptr) << "row " << left[i];
        EXPECT_EQ(s->axis(), OscAxis::Left) << "row " << left[i];
        EXPECT_EQ(s->colour(), SeriesPalette[i % 18 + 1]) << "row " << left[i];
        EXPECT_EQ(s->title(), RegisterTable[left[i]].Name);
    }
    // High-byte and group rows get no line; every line belongs to the ECU window.
    for (int row : {1, 3, 5, 7, 19, 25, 33, 39, 44, 47})
        EXPECT_EQ(RegisterTable[row].Series, nullptr) << "row " << row;
    EXPECT_EQ(ecu.series().size(), custom.size() + left.size());
    EXPECT_TRUE(at.series().empty());
}

TEST_F(SeriesRuleTest, DeselectedLineHidesWithItsPointsAndComesBackTheSame) {
    selectAll(ModuleEcu, true);
    rebuild(ModuleEcu);
    OscSeries* coolant = seriesOf(9);
    coolant->addPoint(0, 80.0);
    coolant->addPoint(40, 81.0);

    RegisterTable[9].Selected = false;
    rebuild(ModuleEcu);
    EXPECT_FALSE(coolant->isActive());
    EXPECT_EQ(coolant->points().size(), 2u);

    RegisterTable[9].Selected = true;
    rebuild(ModuleEcu);
    EXPECT_EQ(seriesOf(9), coolant); // never replaced
    EXPECT_TRUE(coolant->isActive());
    coolant->addPoint(80, 82.0);
    EXPECT_EQ(coolant->points().size(), 3u);
    EXPECT_EQ(ecu.series().size(), 38u); // no rebuild created a second line
}

TEST_F(SeriesRuleTest, LaterRebuildCountsColoursFromTheStartAgain) {
    RegisterTable[9].Selected = true;  // Coolant Temp: left
    RegisterTable[12].Selected = true; // Vehicle Speed: left
    RegisterTable[10].Selected = true; // O2 left bank: custom
    rebuild(ModuleEcu);
    EXPECT_EQ(seriesOf(12)->colour(), SeriesPalette[2]);

    RegisterTable[13].Selected = true; // Battery Voltage: left, new
    RegisterTable[20].Selected = true; // a lamp: left, new
    RegisterTable[11].Selected = true; // O2 right bank: custom, new
    rebuild(ModuleEcu);
    EXPECT_EQ(seriesOf(13)->colour(), SeriesPalette[1]); // repeats the coolant's colour
    EXPECT_EQ(seriesOf(20)->colour(), SeriesPalette[2]);
    EXPECT_EQ(seriesOf(11)->colour(), SeriesPalette[1]);
    EXPECT_EQ(seriesOf(9)->colour(), SeriesPalette[1]); // old lines keep theirs
}

TEST_F(SeriesRuleTest, UnsupportedRowsAndModulesWithoutWindowGetNoLine) {
    selectAll(ModuleEcu, true);
    RegisterTable[9].Unsupported = true;
    rebuild(ModuleEcu);
    EXPECT_EQ(RegisterTable[9].Series, nullptr);
    EXPECT_EQ(seriesOf(12)->colour(), SeriesPalette[1]); // the skipped row took no colour

    OscilloSeriesRule lonely; // no recording for the AT
    selectAll(ModuleAt, true);
    const auto range = RegisterRange(ModuleAt);
    lonely.beginRebuild(ModuleAt);
    for (int r = range.first; r <= range.last; ++r)
        lonely.apply(ModuleAt, r);
    EXPECT_EQ(RegisterTable[49].Series, nullptr);
    lonely.apply(ModuleAt, 0);
    lonely.apply(ModuleAt, RegisterCount + 1); // out of range: ignored
}

} // namespace
