#include "values/hh_aled.h"

#include <QPainter>
#include <QRadialGradient>

ThhALed::ThhALed(QWidget* parent) : QWidget(parent) {
    resize(Size, Size);
}

void ThhALed::setColors(const QColor& on, const QColor& off) {
    m_on = on;
    m_off = off;
    update();
}

void ThhALed::setOn(bool on) {
    if (on == m_lit)
        return;
    m_lit = on;
    update();
}

void ThhALed::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor colour = m_lit ? m_on : m_off;
    // Logical coordinates: on a HiDPI screen the circle is drawn at device resolution.
    const qreal side = qMin(width(), height());
    const QRectF disc(0.5, 0.5, side - 1.0, side - 1.0);
    p.setPen(QPen(colour.darker(170), 1.0));
    p.setBrush(colour);
    p.drawEllipse(disc);
    // A small soft highlight towards the top left reads as a light, not a dot.
    const QPointF glint(side * 0.36, side * 0.32);
    QRadialGradient shine(glint, side * 0.22);
    shine.setColorAt(0.0, QColor(255, 255, 255, m_lit ? 200 : 110));
    shine.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(glint, side * 0.22, side * 0.22);
}
