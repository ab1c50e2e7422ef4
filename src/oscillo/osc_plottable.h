#pragma once

#include "oscillo/point_store.h"

#include <qcustomplot.h>

#include <vector>

class OscRaster;
class OscSeries;

// Draws one oscillogram series into the chart from its min/max summary: whatever the
// length of the recording, a redraw walks about four points per pixel column. Lines are
// drawn without antialiasing, into the chart's raster when it has one (and the output is
// pixels), otherwise with the painter.
class OscPlottable : public QCPAbstractPlottable {
    Q_OBJECT
public:
    OscPlottable(QCPAxis* keyAxis, QCPAxis* valueAxis, const OscSeries& series,
                 OscRaster* raster = nullptr);

    const OscSeries& series() const { return m_series; }

    // Pixel distance from pos to the drawn line (within a few columns of pos), or -1.
    double selectTest(const QPointF& pos, bool onlySelectable,
                      QVariant* details = nullptr) const override;
    QCPRange getKeyRange(bool& foundRange,
                         QCP::SignDomain inSignDomain = QCP::sdBoth) const override;
    QCPRange getValueRange(bool& foundRange, QCP::SignDomain inSignDomain = QCP::sdBoth,
                           const QCPRange& inKeyRange = QCPRange()) const override;

protected:
    void draw(QCPPainter* painter) override;
    void drawLegendIcon(QCPPainter* painter, const QRectF& rect) const override;

private:
    // Maps a polyline to pixels, pulling its two outer points (which may lie far outside
    // the view) in to the edge of the plot along their segments.
    void toPixels(const PointStore::Polyline& line, QVector<QPointF>& px) const;

    // Into the raster: dense columns as vertical runs, few points as lines.
    void drawRaster(const QCPRange& range);

    const OscSeries& m_series;
    OscRaster* m_raster;
    mutable std::vector<PointStore::Polyline> m_lines; // reused between redraws
    std::vector<PointStore::Reduction> m_parts;
    mutable QVector<QPointF> m_pixels;
};
