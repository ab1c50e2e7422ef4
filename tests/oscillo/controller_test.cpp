#include "oscillo/osc_chart.h"
#include "oscillo/oscillo_controller.h"
#include "oscillo/oscillo_form.h"
#include "protocol/registers.h"
#include "support/link_rig.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// Appends (OscTime, Raw) to the row's line when recording, as the value converters do.
struct PointConverters : Converters {
    explicit PointConverters(LinkEngine& e) : engine(e) {}
    void convert(int& row, bool, bool record) override {
        const TMopaProtocol& r = RegisterTable[row];
        if (record && r.Series)
            r.Series->addPoint(double(engine.OscTime), r.Raw);
    }
    LinkEngine& engine;
};

class Controller : public ::testing::Test {
protected:
    void SetUp() override {
        rig.engine.setOscillo(&ctl);
        rig.engine.setConverters(&points);
        ecu = ctl.createModuleWindow(ModuleEcu);
        ctl.createModuleWindow(ModuleAt);
        rig.menu.set(MenuState::Collect_oscillo, true);
        rig.menu.set(MenuState::Show_i, true);
        rig.unit.framePeriodMs = 200;
        // The engine unit with the battery voltage selected, its line made by the rule.
        rig.port.setActive(true);
        rig.engine.LinkState = ssBusy;
        ASSERT_TRUE(rig.engine.Set_Module(ModuleEcu));
        for (int r = 1; r <= RegisterCount; ++r)
            RegisterTable[r].Selected = r == 13;
        rig.engine.Set_Packets();
        ctl.seriesRule().beginRebuild(ModuleEcu);
        for (int r = 1; r <= 48; ++r)
            ctl.seriesRule().apply(ModuleEcu, r);
        rig.engine.LinkState = ssIdle;
        line = static_cast<OscSeries*>(RegisterTable[13].Series);
        ASSERT_NE(line, nullptr);
        QObject::connect(&ecu->recording(), &OscRecording::timeRangeChanged,
                         [this](double a, double b) {
                             ranges.push_back({a, b});
                         });
    }
    // One stream of about `seconds`, stopped with "&Stop"; `during` runs at `at` seconds.
    void stream(double seconds, double at = -1, std::function<void()> during = {}) {
        const std::int64_t t0 = rig.pump.nowMs() + 270;
        if (during)
            rig.pump.at(t0 + std::int64_t(at * 1000), during);
        rig.pump.at(t0 + std::int64_t(seconds * 1000), [this] { rig.engine.StartClick(); });
        rig.engine.StartClick();
    }
    std::vector<std::int64_t> xs() const {
        std::vector<std::int64_t> out;
        line->points().forEach([&](std::int64_t x, float) { out.push_back(x); });
        return out;
    }
    bool shows(std::int64_t x) const {
        return x >= ecu->recording().timeMin() && x <= ecu->recording().timeMax();
    }

    LinkRig rig;
    OscilloController ctl{rig.engine, rig.menu};
    PointConverters points{rig.engine};
    TFormOscillo* ecu = nullptr;
    OscSeries* line = nullptr;
    std::vector<std::pair<double, double>> ranges;
};

TEST_F(Controller, ModuleWindowsAreMadeOnceWithTheirCaptions) {
    EXPECT_EQ(ctl.createModuleWindow(ModuleEcu), ecu);
    EXPECT_EQ(ctl.window(ModuleEcu)->windowTitle(), "Oscillogramm -  ECU ");
    EXPECT_EQ(ctl.window(ModuleAt)->windowTitle(), "Oscillogramm -  AT ");
    EXPECT_FALSE(ecu->isVisible());
    EXPECT_EQ(ctl.createModuleWindow(ModuleAircon), nullptr);
    EXPECT_EQ(ctl.window(1), nullptr);
}

TEST_F(Controller, TimeLineRunsOnAcrossStreamsAndStartsAtZeroAfterAClear) {
    stream(20);
    const std::int64_t end1 = rig.engine.TimeOffset[ModuleEcu];
    const std::size_t n1 = line->points().size();
    ASSERT_GT(n1, 50u);
    EXPECT_NEAR(double(line->points().last().x), double(end1), 1.0) << "closing point";
    stream(20);
    const auto x = xs();
    // The second stream continues where the first ended; the idle time is not recorded.
    EXPECT_GE(x[n1], end1);
    EXPECT_LT(x[n1] - end1, 300);
    EXPECT_TRUE(std::is_sorted(x.begin(), x.end()));
    EXPECT_EQ(line->points().runCount(), 1);
    // Each "&Start" left a red mark at the end of its stream.
    ASSERT_EQ(ecu->recording().endMarks().size(), 2u);
    EXPECT_EQ(ecu->recording().endMarks()[0].x, end1);
    EXPECT_EQ(ecu->recording().endMarks()[0].rgb, 0xFF0000u);

    ecu->recording().setTimeRange(300000, 360000);
    ctl.ClearAlloscillogramClick();
    EXPECT_TRUE(line->points().empty());
    EXPECT_EQ(rig.engine.StreamStart[ModuleEcu], 0);
    EXPECT_EQ(rig.engine.TimeOffset[ModuleEcu], 0);
    EXPECT_EQ(ecu->recording().timeMin(), 0.0);
    EXPECT_EQ(ecu->recording().timeMax(), 60000.0);
    EXPECT_EQ(ecu->recording().endMarks().size(), 2u) << "marks survive the clear";
    stream(5);
    EXPECT_LT(line->points().at(0).x, 300);
}

TEST_F(Controller, LongStreamFollowsInMinuteSteps) {
    stream(185);
    ASSERT_EQ(ranges.size(), 3u);
    for (std::size_t i = 0; i < ranges.size(); ++i) {
        EXPECT_EQ(ranges[i].first, 60000.0 * double(i + 1));
        EXPECT_EQ(ranges[i].second - ranges[i].first, 60000.0);
    }
    EXPECT_TRUE(shows(line->points().last().x));
}

TEST_F(Controller, StreamFromAnEarlierOffsetCatchesUpOneStepPerFrame) {
    rig.engine.TimeOffset[ModuleEcu] = 5 * 60000 + 500;
    stream(2);
    ASSERT_EQ(ranges.size(), 5u);
    for (std::size_t i = 0; i < ranges.size(); ++i)
        EXPECT_EQ(ranges[i].first, 60000.0 * double(i + 1));
    for (std::int64_t x : xs())
        EXPECT_TRUE(shows(x)) << x;
}

TEST_F(Controller, SecondStreamWithoutClearStaysOnScreen) {
    stream(90); // the axis stepped to the second minute
    ASSERT_EQ(ecu->recording().timeMin(), 60000.0);
    const std::size_t n1 = line->points().size();
    stream(20);
    // The new stream's mark starts at one minute again; the steps count from there, so
    // its points, at 90 s to 110 s, are on screen rather than a minute behind it.
    const auto x = xs();
    for (std::size_t i = n1; i < x.size(); ++i)
        ASSERT_TRUE(shows(x[i])) << x[i] << " not in " << ecu->recording().timeMin();
}

TEST_F(Controller, ClearDuringAStreamRestartsItsTimeLineAtTheClear) {
    stream(130, 100, [this] { ctl.ClearAlloscillogramClick(); });
    const auto x = xs();
    ASSERT_FALSE(x.empty());
    EXPECT_LT(x.front(), 300) << "after the clear, times count from it";
    EXPECT_TRUE(std::is_sorted(x.begin(), x.end()));
    EXPECT_NEAR(double(x.back()), 30000.0, 500.0);
    EXPECT_EQ(rig.engine.TimeOffset[ModuleEcu], x.back());
    EXPECT_EQ(ecu->recording().timeMin(), 0.0); // half a minute since the clear: no step
    // The steps go on from the new start: a minute later the axis moves on.
    ranges.clear();
    stream(40);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_EQ(ranges[0].first, 60000.0);
    EXPECT_TRUE(shows(line->points().last().x));
}

TEST_F(Controller, ClearButtonDuringAStreamShowsTheMinuteTheStreamIsIn) {
    stream(150, 130, [this] { ecu->Clear_Button->click(); });
    EXPECT_EQ(ecu->recording().timeMin(), 120000.0);
    const auto x = xs();
    ASSERT_FALSE(x.empty());
    EXPECT_GE(x.front(), 130000) << "the time line runs on";
    for (std::int64_t v : x)
        EXPECT_TRUE(shows(v)) << v;
}

TEST_F(Controller, DisplayOscillogramShowsTheWindowAndIsAlwaysLeftChecked) {
    rig.menu.set(MenuState::Show_oscillogram, false); // the auto-check toggled it off
    rig.menu.set(MenuState::Collect_oscillo, false);
    bool collectingWhileShown = false;
    stream(3, 1, [&] {
        ctl.Show_oscillogramClick();
        collectingWhileShown = rig.menu.isOn(MenuState::Collect_oscillo);
    });
    EXPECT_TRUE(ecu->isVisible());
    EXPECT_FALSE(ctl.window(ModuleAt)->isVisible());
    EXPECT_TRUE(rig.menu.isOn(MenuState::Show_oscillogram));
    EXPECT_FALSE(rig.menu.isOn(MenuState::Show_i));
    EXPECT_TRUE(collectingWhileShown);
    ctl.Show_oscillogramClick(); // again while shown
    EXPECT_TRUE(rig.menu.isOn(MenuState::Show_oscillogram));
    ecu->close();
    EXPECT_FALSE(rig.menu.isOn(MenuState::Show_oscillogram));
    EXPECT_TRUE(rig.menu.isOn(MenuState::Show_i));
}

TEST_F(Controller, CheckingCollectClearsUncheckingKeepsThePoints) {
    stream(3);
    ASSERT_FALSE(line->points().empty());
    rig.menu.set(MenuState::Collect_oscillo, false);
    ctl.Collect_oscilloClick();
    EXPECT_FALSE(line->points().empty());
    rig.menu.set(MenuState::Collect_oscillo, true);
    ctl.Collect_oscilloClick();
    EXPECT_TRUE(line->points().empty());
    EXPECT_EQ(rig.engine.TimeOffset[ModuleEcu], 0);
}

} // namespace
