#pragma once

#include "oscillo/osc_raster.h"
#include "oscillo/osc_recording.h"

#include <qcustomplot.h>

#include <QElapsedTimer>
#include <QTimer>

#include <map>
#include <vector>

class OscAxisRect;
class OscPlottable;

// The chart of an oscillogram window: one plot area with the time axis in milliseconds
// and two stacked value scales, drawing an OscRecording and following its changes. Redraws
// are paced so that a stream asking after every frame spends little time on them.
class OscChart : public QCustomPlot {
    Q_OBJECT
public:
    explicit OscChart(OscRecording& recording, QWidget* parent = nullptr);
    ~OscChart() override;

    QCPAxis* timeAxis() const;
    QCPAxis* leftAxis() const;
    QCPAxis* customAxis() const; // custom axis 0
    // The zero line of the left scale, where the two halves meet.
    QCPItemStraightLine* zeroLine() const { return m_zeroLine; }
    OscPlottable* plottableOf(const OscSeries* series) const;
    QCPItemStraightLine* endMarkLine(std::size_t i) const;
    std::size_t endMarkLineCount() const { return m_endMarks.size(); }

    // Asks for a redraw: it follows at the next pass of the event loop or, when one was
    // made very recently, once that pause is over. Nothing is drawn while hidden.
    void requestReplot();
    // Redraws now (into the chart's buffers; the screen follows at the next paint).
    void replotNow();
    double lastReplotMs() const { return m_lastReplotMs; }

private:
    void addPlottable(OscSeries* series);
    void updateSeries(OscSeries* series);
    void addEndMarkLine(const OscRecording::EndMark& mark);
    void applyTimeRange(double min, double max);
    void applyScales();

    OscRecording& m_recording;
    OscAxisRect* m_rect = nullptr;
    OscRaster m_raster;
    QCPItemStraightLine* m_zeroLine = nullptr;
    std::map<const OscSeries*, OscPlottable*> m_plottables;
    std::vector<QCPItemStraightLine*> m_endMarks;
    QTimer m_pause;
    bool m_pending = false;
    double m_lastReplotMs = 0.0;
};
