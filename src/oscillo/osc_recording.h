#pragma once

#include "oscillo/osc_series.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

// What one oscillogram window shows, apart from any widget: its series (created once,
// never destroyed by the recording), the end marks, and the ranges of the time axis and
// of the two value scales. The window mirrors it; the series rule and the stream feed it.
class OscRecording : public QObject {
    Q_OBJECT
public:
    // The time axis shows one minute at first and follows a stream in steps of one minute.
    static constexpr std::int64_t TimeStep = 60000;
    static constexpr int LeftMaxStart = 150;
    static constexpr int CustomMaxStart = 6;

    struct EndMark {
        std::int64_t x = 0;
        std::uint32_t rgb = 0;
        int width = 3;
    };

    explicit OscRecording(QObject* parent = nullptr);
    ~OscRecording() override;

    OscSeries* addSeries(const QString& title, std::uint32_t rgb, OscAxis axis);
    const std::vector<std::unique_ptr<OscSeries>>& series() const { return m_series; }
    std::size_t pointCount() const;

    // Every series loses its points; titles, colours, axes and active states stay, and so
    // do the end marks.
    void clearPoints();

    // A vertical line across the chart at x; clearing the points keeps it.
    void addEndMark(std::uint32_t rgb, std::int64_t x);
    const std::vector<EndMark>& endMarks() const { return m_endMarks; }

    double timeMin() const { return m_timeMin; }
    double timeMax() const { return m_timeMax; }
    void setTimeRange(double min, double max);
    // Moves both ends of the time axis by exactly delta.
    void scrollTime(std::int64_t delta);

    int leftMax() const { return m_leftMax; }
    int customMax() const { return m_customMax; }
    void setLeftMax(int max);
    void setCustomMax(int max);

signals:
    void seriesAdded(OscSeries* series);
    // Active state, title or colour changed.
    void seriesChanged(OscSeries* series);
    void pointsCleared();
    void endMarkAdded(const OscRecording::EndMark& mark);
    void timeRangeChanged(double min, double max);
    void scalesChanged();

private:
    std::vector<std::unique_ptr<OscSeries>> m_series;
    std::vector<EndMark> m_endMarks;
    double m_timeMin = 0.0;
    double m_timeMax = static_cast<double>(TimeStep);
    int m_leftMax = LeftMaxStart;
    int m_customMax = CustomMaxStart;
};
