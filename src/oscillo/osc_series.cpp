#include "oscillo/osc_series.h"

#include "oscillo/osc_recording.h"

#include <cmath>
#include <limits>

OscSeries::OscSeries(OscRecording& owner, const QString& title, std::uint32_t rgb, OscAxis axis)
    : m_owner(owner), m_title(title), m_rgb(rgb & 0xFFFFFF), m_axis(axis) {}

void OscSeries::addPoint(double x, double y) {
    // Time stamps are whole milliseconds well inside the 64-bit range.
    // Values are 32-bit floats already; anything beyond that range is no reading.
    constexpr double xLimit = 9.0e18;
    constexpr double yLimit = std::numeric_limits<float>::max();
    if (!std::isfinite(x) || std::abs(x) > xLimit || !std::isfinite(y) || std::abs(y) > yLimit ||
        !m_points.append(std::llround(x), static_cast<float>(y)))
        ++m_refused;
}

void OscSeries::setActive(bool active) {
    if (m_active == active)
        return;
    m_active = active;
    emit m_owner.seriesChanged(this);
}

void OscSeries::setTitle(const QString& title) {
    if (m_title == title)
        return;
    m_title = title;
    emit m_owner.seriesChanged(this);
}

void OscSeries::setColour(std::uint32_t rgb) {
    rgb &= 0xFFFFFF;
    if (m_rgb == rgb)
        return;
    m_rgb = rgb;
    emit m_owner.seriesChanged(this);
}
