#include "values/cool_gauge.h"
#include "values/hh_aled.h"

#include <QApplication>
#include <QImage>
#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const QColor Yellow(0xFF, 0xFF, 0x00);
const QColor Red(0xFF, 0x00, 0x00);
const QColor White(0xFF, 0xFF, 0xFF);

// A 220 x 14 gauge as the panel makes them, without caption so that every pixel
// in the middle row is bar or background.
struct GaugeFixture : ::testing::Test {
    GaugeFixture() {
        gauge.resize(220, 14);
        gauge.setRange(0, 8);
        gauge.setColors(Yellow, Red);
        gauge.setBackgroundColor(White);
    }
    QImage render(qreal dpr) {
        QImage image(QSize(220, 14) * dpr, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::transparent);
        gauge.render(&image);
        return image;
    }
    TjsCoolGauge gauge;
};

TEST_F(GaugeFixture, BarLengthIsRoundedToWholePixels) {
    const struct {
        double reading;
        int length;
    } cases[] = {{0.0, 0}, {0.01, 0}, {0.1, 3}, {1.0, 28}, {4.0, 110}, {7.99, 220}, {8.0, 220}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reading);
        gauge.setReading(c.reading);
        EXPECT_EQ(gauge.barLength(), c.length);
    }
}

TEST_F(GaugeFixture, BarShowsTheLeftPartOfAFullWidthGradientAtAnyPixelRatio) {
    gauge.setReading(4.0); // 110 of 220 pixels
    for (qreal dpr : {1.0, 2.0}) {
        SCOPED_TRACE(dpr);
        const QImage image = render(dpr);
        const int y = int(7 * dpr);
        const int edge = int(110 * dpr);
        EXPECT_EQ(image.pixelColor(edge, y), White); // background right of the bar
        EXPECT_EQ(image.pixelColor(int(219 * dpr), y), White);
        const QColor left = image.pixelColor(0, y);
        EXPECT_EQ(left.red(), 255);
        EXPECT_GE(left.green(), 250); // starts at Color1
        // The last bar pixel is half way along the gradient, not at Color2.
        const QColor end = image.pixelColor(edge - 1, y);
        EXPECT_EQ(end.red(), 255);
        EXPECT_NEAR(end.green(), 128, 6);
        EXPECT_EQ(end.blue(), 0);
    }
}

TEST_F(GaugeFixture, OutOfRangeAndRepeatedReadingsAreIgnored) {
    gauge.setRange(-40, 120);
    EXPECT_EQ(gauge.reading(), 0.0); // starts at 0
    gauge.setReading(90.0);
    for (double ignored : {-50.0, 120.5, -40.01, std::numeric_limits<double>::quiet_NaN()})
        gauge.setReading(ignored);
    EXPECT_EQ(gauge.reading(), 90.0);
    gauge.setReading(-40.0); // the limits themselves are shown
    EXPECT_EQ(gauge.reading(), -40.0);
    gauge.setReading(120.0);
    EXPECT_EQ(gauge.reading(), 120.0);
}

TEST(GaugeCaption, FormatUsesTheUsersDecimalSeparator) {
    const QLocale saved;
    struct Case {
        QLocale locale;
        QString format;
        double value;
        QString caption;
    };
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    const QLocale c = QLocale::c();
    const Case cases[] = {
        {ru, "IACV - AAC/V %f%%", 50.5, "IACV - AAC/V 50,50%"},
        {ru, "COOLAN TEMP %f C", -12.345, "COOLAN TEMP -12,35 C"},
        {ru, "RPMx1000 %f", 0.0, "RPMx1000 0,00"},
        {c, "THROTTLE POSI %f%%", 100.0, "THROTTLE POSI 100.00%"},
        {c, "GEAR %f", 3.0, "GEAR 3.00"},
        {c, "100%% %f", 1.0, "100% 1.00"},
        {c, "no number", 1.0, "no number"},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.format.toStdString());
        QLocale::setDefault(k.locale);
        EXPECT_EQ(TjsCoolGauge::formatCaption(k.format, k.value), k.caption);
    }
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    TjsCoolGauge gauge;
    gauge.setRange(0, 8);
    gauge.setCaptionFormat("CMPS - RPMx1000 (POS) %f");
    EXPECT_EQ(gauge.caption(), "CMPS - RPMx1000 (POS) 0,00");
    gauge.setReading(4.0);
    EXPECT_EQ(gauge.caption(), "CMPS - RPMx1000 (POS) 4,00");
    QLocale::setDefault(saved);
}

// Counts how often the gauge really paints.
class CountingGauge : public TjsCoolGauge {
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        TjsCoolGauge::paintEvent(event);
    }
};

TEST(GaugeRepaint, OnlyAChangedBarOrCaptionRepaints) {
    const QLocale saved;
    QLocale::setDefault(QLocale::c());
    CountingGauge gauge;
    gauge.resize(220, 14);
    gauge.setRange(0, 8);
    gauge.setCaptionFormat("RPM %f");
    gauge.show();
    QApplication::processEvents();
    ASSERT_GT(gauge.paints, 0); // the platform paints shown widgets

    const struct {
        double reading;
        bool repaints;
    } steps[] = {
        {4.0, true},    // 110 px, "4.00"
        {4.001, false}, // same pixels, same text
        {4.0, false},   // same again
        {4.01, true},   // "4.01", still 110 px
        {9.0, false},   // out of range
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.reading);
        gauge.paints = 0;
        gauge.setReading(s.reading);
        QApplication::processEvents();
        EXPECT_EQ(gauge.paints > 0, s.repaints);
    }
    QLocale::setDefault(saved);
}

TEST(Lamp, RoundLightInItsOnOrOffColourAtAnyPixelRatio) {
    ThhALed lamp;
    EXPECT_EQ(lamp.size(), QSize(18, 18));
    const QColor on(0x00, 0xFF, 0x00), off(0x00, 0x80, 0x00);
    lamp.setColors(on, off);
    for (bool lit : {false, true}) {
        lamp.setOn(lit);
        for (qreal dpr : {1.0, 2.0}) {
            SCOPED_TRACE(testing::Message() << "lit " << lit << " dpr " << dpr);
            QImage image(QSize(18, 18) * dpr, QImage::Format_ARGB32_Premultiplied);
            image.setDevicePixelRatio(dpr);
            image.fill(Qt::transparent);
            lamp.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
            // Body of the light (away from the highlight) in the state's colour.
            EXPECT_EQ(image.pixelColor(int(11 * dpr), int(13 * dpr)), lit ? on : off);
            // Round and filling its 18 x 18: the corners stay empty, the middle of
            // each edge is drawn.
            EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
            EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1).alpha(), 0);
            EXPECT_GT(image.pixelColor(image.width() / 2, 0).alpha(), 0);
            EXPECT_GT(image.pixelColor(0, image.height() / 2).alpha(), 0);
        }
    }
}

} // namespace
