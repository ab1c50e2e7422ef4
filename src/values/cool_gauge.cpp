#include "values/cool_gauge.h"

#include <QLinearGradient>
#include <QLocale>
#include <QPainter>

#include <cmath>

namespace {
constexpr int HaloAlpha = 90;
} // namespace

TjsCoolGauge::TjsCoolGauge(QWidget* parent) : QWidget(parent) {
    // The gauge paints every pixel itself.
    setAttribute(Qt::WA_OpaquePaintEvent);
    QFont f = font();
    f.setPixelSize(11);
    setFont(f);
    m_caption = formatCaption(m_format, m_reading);
}

void TjsCoolGauge::setRange(double minimum, double maximum) {
    m_min = minimum;
    m_max = maximum;
    m_drawnLength = barLength();
    update();
}

void TjsCoolGauge::setColors(const QColor& color1, const QColor& color2) {
    m_color1 = color1;
    m_color2 = color2;
    update();
}

void TjsCoolGauge::setBackgroundColor(const QColor& color) {
    m_background = color;
    update();
}

void TjsCoolGauge::setFontColor(const QColor& color) {
    m_fontColor = color;
    update();
}

void TjsCoolGauge::setCaptionFormat(const QString& format) {
    m_format = format;
    m_caption = formatCaption(m_format, m_reading);
    update();
}

void TjsCoolGauge::setReading(double value) {
    if (!(value >= m_min && value <= m_max) || value == m_reading)
        return;
    m_reading = value;
    const int length = barLength();
    QString text = formatCaption(m_format, value);
    if (length == m_drawnLength && text == m_caption)
        return;
    m_drawnLength = length;
    m_caption = std::move(text);
    update();
}

int TjsCoolGauge::barLengthFor(double value, int width) const {
    const double span = m_max - m_min;
    if (!(span > 0.0))
        return value >= m_max ? width : 0;
    const long length = std::lround((value - m_min) / span * width);
    return static_cast<int>(qBound(0L, length, static_cast<long>(width)));
}

QString TjsCoolGauge::formatCaption(const QString& format, double value) {
    QString out;
    out.reserve(format.size() + 8);
    for (qsizetype i = 0; i < format.size(); ++i) {
        const QChar c = format.at(i);
        if (c == u'%' && i + 1 < format.size()) {
            const QChar next = format.at(i + 1);
            if (next == u'f') {
                out += QLocale().toString(value, 'f', 2);
                ++i;
                continue;
            }
            if (next == u'%') {
                out += u'%';
                ++i;
                continue;
            }
        }
        out += c;
    }
    return out;
}

void TjsCoolGauge::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    m_drawnLength = barLength();
}

void TjsCoolGauge::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect all = rect();
    p.fillRect(all, m_background);
    const int length = barLength();
    if (length > 0) {
        // The gradient runs over the whole width; the bar shows its left part.
        QLinearGradient gradient(0, 0, all.width(), 0);
        gradient.setColorAt(0.0, m_color1);
        gradient.setColorAt(1.0, m_color2);
        p.fillRect(QRect(0, 0, length, all.height()), gradient);
    }
    // A faint light halo keeps the black caption readable on the dark end of a bar
    // without changing its colour. Drawn as offset copies of the text, which use the
    // glyph cache: a stroked outline costs fifty times as much.
    const QFontMetrics fm(font());
    const QPoint origin((all.width() - fm.horizontalAdvance(m_caption)) / 2,
                        (all.height() - fm.height()) / 2 + fm.ascent());
    if (length > 0) {
        QColor halo = m_background;
        halo.setAlpha(HaloAlpha);
        p.setPen(halo);
        for (const QPoint d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)})
            p.drawText(origin + d, m_caption);
    }
    p.setPen(m_fontColor);
    p.drawText(origin, m_caption);
}
