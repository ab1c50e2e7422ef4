#include "oscillo/osc_recording.h"

OscRecording::OscRecording(QObject* parent) : QObject(parent) {}

OscRecording::~OscRecording() = default;

OscSeries* OscRecording::addSeries(const QString& title, std::uint32_t rgb, OscAxis axis) {
    m_series.push_back(std::make_unique<OscSeries>(*this, title, rgb, axis));
    OscSeries* s = m_series.back().get();
    emit seriesAdded(s);
    return s;
}

std::size_t OscRecording::pointCount() const {
    std::size_t n = 0;
    for (const auto& s : m_series)
        n += s->points().size();
    return n;
}

void OscRecording::clearPoints() {
    for (const auto& s : m_series)
        s->clearPoints();
    emit pointsCleared();
}

void OscRecording::addEndMark(std::uint32_t rgb, std::int64_t x) {
    m_endMarks.push_back({x, rgb & 0xFFFFFF, 3});
    emit endMarkAdded(m_endMarks.back());
}

void OscRecording::setTimeRange(double min, double max) {
    if (!(max > min))
        return; // an empty or reversed range cannot be shown
    if (min == m_timeMin && max == m_timeMax)
        return;
    m_timeMin = min;
    m_timeMax = max;
    emit timeRangeChanged(min, max);
}

void OscRecording::scrollTime(std::int64_t delta) {
    setTimeRange(m_timeMin + static_cast<double>(delta), m_timeMax + static_cast<double>(delta));
}

void OscRecording::setLeftMax(int max) {
    if (max == m_leftMax || max <= 0)
        return;
    m_leftMax = max;
    emit scalesChanged();
}

void OscRecording::setCustomMax(int max) {
    if (max == m_customMax || max <= 0)
        return;
    m_customMax = max;
    emit scalesChanged();
}
