#include "oscillo/osc_axis_rect.h"

#include <algorithm>

void PartTicker::generate(const QCPRange& range, const QLocale& locale, QChar formatChar,
                          int precision, QVector<double>& ticks, QVector<double>* subTicks,
                          QVector<QString>* tickLabels) {
    const double lo = std::max(range.lower, m_lower);
    const double hi = std::min(range.upper, m_upper);
    ticks.clear();
    if (subTicks)
        subTicks->clear();
    if (tickLabels)
        tickLabels->clear();
    if (!(hi > lo))
        return;
    QVector<double> all;
    QVector<QString> labels;
    QCPAxisTicker::generate(QCPRange(lo, hi), locale, formatChar, precision, all, subTicks,
                            tickLabels ? &labels : nullptr);
    // The base adds a tick beyond each end of the range; keep the part's own.
    const double eps = (hi - lo) * 1e-9;
    for (int i = 0; i < all.size(); ++i) {
        if (all[i] < lo - eps || all[i] > hi + eps)
            continue;
        if (!m_withLower && all[i] < m_lower + eps)
            continue;
        ticks.append(all[i]);
        if (tickLabels)
            tickLabels->append(labels.value(i));
    }
    if (subTicks)
        subTicks->erase(std::remove_if(subTicks->begin(), subTicks->end(),
                                       [&](double t) { return t < lo - eps || t > hi + eps; }),
                        subTicks->end());
}

OscAxisRect::OscAxisRect(QCustomPlot* plot) : QCPAxisRect(plot, false) {
    m_time = addAxis(QCPAxis::atBottom);
    m_left = addAxis(QCPAxis::atLeft);
    m_custom = addAxis(QCPAxis::atLeft);
    m_leftTicker = QSharedPointer<PartTicker>::create();
    m_customTicker = QSharedPointer<PartTicker>::create();
    m_left->setTicker(m_leftTicker);
    m_custom->setTicker(m_customTicker);
    setLeftMax(150);
    setCustomMax(6);
}

void OscAxisRect::setLeftMax(double max) {
    // 0 at the middle, where the zero line and the custom scale's top label stand.
    m_leftTicker->setPart(0.0, max, false);
    m_left->setRange(-max, max);
}

void OscAxisRect::setCustomMax(double max) {
    m_customTicker->setPart(0.0, max);
    m_custom->setRange(0.0, 2.0 * max); // 0 at the bottom, max at the middle
}

int OscAxisRect::calculateAutoMargin(QCP::MarginSide side) {
    const int margin = QCPAxisRect::calculateAutoMargin(side);
    if (side != QCP::msLeft)
        return margin;
    // The base puts the custom axis beside the left one (offset: the left axis' offset and
    // margin plus the inner tick length) and returns its offset plus its own margin. Both
    // scales stand at one position instead, since each labels only its own half.
    const int customOffset = m_custom->offset();
    const int customMargin = margin - customOffset;
    const int leftMargin =
        customOffset - m_left->offset() - (m_custom->visible() ? m_custom->tickLengthIn() : 0);
    m_custom->setOffset(m_left->offset());
    return m_left->offset() + std::max(leftMargin, customMargin);
}
