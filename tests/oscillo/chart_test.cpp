#include "oscillo/osc_chart.h"
#include "oscillo/osc_plottable.h"

#include <gtest/gtest.h>

#include <QImage>

#include <cmath>

namespace {

constexpr QRgb Lamp = 0x800000;   // maroon
constexpr QRgb Steady = 0x0000FF; // blue

class ChartTest : public ::testing::Test {
protected:
    void SetUp() override {
        chart.resize(900, 500);
        chart.show();
        chart.replot();
    }
    QImage render() { return chart.toPixmap().toImage().convertToFormat(QImage::Format_RGB32); }
    int px(double t) const { return int(std::floor(chart.timeAxis()->coordToPixel(t))); }
    static int py(QCPAxis* a, double v) { return int(std::floor(a->coordToPixel(v))); }
    static bool is(const QImage& img, int x, int y, QRgb rgb) {
        return (img.pixel(x, y) & 0xFFFFFF) == rgb;
    }
    // Pixels of this colour in column x between rows y0 and y1.
    static int count(const QImage& img, int x, int y0, int y1, QRgb rgb) {
        int n = 0;
        for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
            n += is(img, x, y, rgb) ? 1 : 0;
        return n;
    }

    OscRecording rec;
    OscChart chart{rec};
};

TEST_F(ChartTest, TwoScalesShareOnePlotAreaAndTheTimeAxisShowsAMinute) {
    const QRect r = chart.timeAxis()->axisRect()->rect();
    EXPECT_EQ(chart.timeAxis()->range(), QCPRange(0, 60000));
    // Left scale: 0 at the middle, 150 at the top; custom scale: 0 at the bottom, 6 at the
    // middle. Each labels only its own half, from one position.
    EXPECT_NEAR(chart.leftAxis()->coordToPixel(150), r.top(), 1);
    EXPECT_NEAR(chart.leftAxis()->coordToPixel(0), r.center().y(), 1);
    EXPECT_NEAR(chart.customAxis()->coordToPixel(0), r.bottom(), 1);
    EXPECT_NEAR(chart.customAxis()->coordToPixel(6), r.center().y(), 1);
    EXPECT_EQ(chart.customAxis()->offset(), chart.leftAxis()->offset());
    for (double t : chart.leftAxis()->tickVector())
        EXPECT_TRUE(t >= 0 && t <= 150) << t;
    for (double t : chart.customAxis()->tickVector())
        EXPECT_TRUE(t >= 0 && t <= 6) << t;
    EXPECT_EQ(chart.leftAxis()->tickLabelColor(), QColor(0x00, 0x80, 0x00));
    EXPECT_EQ(chart.customAxis()->tickLabelColor(), QColor(0x00, 0x00, 0xFF));
    EXPECT_EQ(chart.zeroLine()->pen().width(), 2);
    EXPECT_EQ(chart.zeroLine()->point1->value(), 0.0);

    rec.setLeftMax(300);
    rec.setCustomMax(15);
    EXPECT_NEAR(chart.leftAxis()->coordToPixel(300), r.top(), 1);
    EXPECT_NEAR(chart.customAxis()->coordToPixel(15), r.center().y(), 1);
}

TEST_F(ChartTest, DrawsEachLineInItsColourOnItsScaleWithVerticalLampEdges) {
    OscSeries* lamp = rec.addSeries("Closed/Open THL pos", Lamp, OscAxis::Left);
    for (auto [x, y] : {std::pair{0, 57}, {20000, 57}, {20000, 58}, {59000, 58}})
        lamp->addPoint(x, y);
    OscSeries* steady = rec.addSeries("O2", Steady, OscAxis::Custom);
    for (int x = 0; x <= 60000; x += 33)
        steady->addPoint(x, 3.0);
    rec.setLeftMax(60); // lamp levels a few pixels apart
    const QImage img = render();

    const int edge = px(20000);
    const int off = py(chart.leftAxis(), 57), on = py(chart.leftAxis(), 58);
    ASSERT_GT(off - on, 2) << "levels one pixel apart cannot show an edge";
    EXPECT_GE(count(img, edge, on, off, Lamp), off - on) << "the edge is vertical";
    EXPECT_TRUE(is(img, px(10000), off, Lamp));
    EXPECT_TRUE(is(img, px(40000), on, Lamp));
    EXPECT_FALSE(is(img, px(10000), on, Lamp));
    EXPECT_TRUE(is(img, px(30000), py(chart.customAxis(), 3.0), Steady));

    // A hidden line is not drawn; its points stay.
    steady->setActive(false);
    const QImage hidden = render();
    EXPECT_FALSE(is(hidden, px(30000), py(chart.customAxis(), 3.0), Steady));
    EXPECT_TRUE(chart.plottableOf(steady) && !chart.plottableOf(steady)->visible());
    EXPECT_EQ(steady->points().size(), 1819u);
}

TEST_F(ChartTest, WholeDayViewKeepsSpikesOfADenseLine) {
    OscSeries* s = rec.addSeries("Engine speed", Steady, OscAxis::Custom);
    // Ten hours at 30 frames a second of a steady 2.0 with one spike to 5.0.
    const std::int64_t spikeAt = 5 * 3600 * 1000;
    for (std::int64_t x = 0; x < 10 * 3600 * 1000; x += 33)
        s->addPoint(double(x), x == spikeAt - spikeAt % 33 ? 5.0 : 2.0);
    rec.setTimeRange(0, 10.0 * 3600 * 1000);
    const QImage img = render();
    const int x = px(double(spikeAt));
    int hits = 0;
    for (int dx = -1; dx <= 1; ++dx)
        hits +=
            count(img, x + dx, py(chart.customAxis(), 5.0), py(chart.customAxis(), 2.0), Steady);
    EXPECT_GE(hits, py(chart.customAxis(), 2.0) - py(chart.customAxis(), 5.0));
    EXPECT_TRUE(is(img, px(3600 * 1000), py(chart.customAxis(), 2.0), Steady));
}

TEST_F(ChartTest, EndMarksStayWhenThePointsAreCleared) {
    OscSeries* s = rec.addSeries("Coolant Temp", Lamp, OscAxis::Left);
    s->addPoint(1000, 80);
    s->addPoint(2000, 81);
    rec.addEndMark(0xFF0000, 30000);
    rec.addEndMark(0x008000, 45000);
    rec.clearPoints();
    EXPECT_TRUE(s->points().empty());
    ASSERT_EQ(chart.endMarkLineCount(), 2u);
    EXPECT_EQ(chart.endMarkLine(0)->pen().width(), 3);
    EXPECT_EQ(chart.endMarkLine(1)->pen().color(), QColor(0x00, 0x80, 0x00));
    const QImage img = render();
    const int y = py(chart.customAxis(), 1.0);
    EXPECT_TRUE(is(img, px(30000), y, 0xFF0000));
    EXPECT_TRUE(is(img, px(45000), y, 0x008000));
}

} // namespace
