#pragma once

#include "oscillo/point_store.h"
#include "protocol/controls.h"

#include <QString>

#include <cstdint>

class OscRecording;

// Which of the two stacked value scales a series is drawn against.
enum class OscAxis : std::uint8_t {
    Left,   // upper half, 0..150 at first
    Custom, // lower half, 0..6 at first
};

// One register's line in an oscillogram: its points and how it is drawn. Owned by the
// window's recording; the register table points at it through SeriesControl.
class OscSeries : public SeriesControl {
public:
    OscSeries(OscRecording& owner, const QString& title, std::uint32_t rgb, OscAxis axis);

    // Appends (x ms, y); never sorts, never repaints. X is a whole millisecond count; a
    // point that is no number is refused and counted.
    void addPoint(double x, double y) override;
    void setActive(bool active) override;
    bool isActive() const override { return m_active; }

    const QString& title() const { return m_title; }
    void setTitle(const QString& title);
    std::uint32_t colour() const { return m_rgb; }
    void setColour(std::uint32_t rgb);
    OscAxis axis() const { return m_axis; }

    const PointStore& points() const { return m_points; }
    void clearPoints() { m_points.clear(); }
    std::size_t refusedPoints() const { return m_refused; }

private:
    OscRecording& m_owner;
    QString m_title;
    std::uint32_t m_rgb;
    OscAxis m_axis;
    bool m_active = true;
    PointStore m_points;
    std::size_t m_refused = 0;
};
