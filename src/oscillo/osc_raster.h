#pragma once

#include <qcustomplot.h>

#include <QImage>
#include <QRect>

#include <algorithm>

// The chart's data lines are drawn pixel by pixel into one image and put on screen with
// one copy: thin aliased lines over a few thousand points per series cost far less this
// way than through the general painter, which is what keeps a whole-day view fluid.
class OscRaster {
public:
    // Starts a frame for the plot area `area` (widget pixels) at device pixel ratio dpr,
    // unless one is started already. The image starts transparent.
    void prepare(const QRect& area, qreal dpr);
    bool prepared() const { return m_prepared; }
    // Draws a one-pixel polyline (widget pixel coordinates), clipped to the area.
    void drawPolyline(const QPointF* points, int count, QRgb rgb);
    // In the image's own pixels (0,0 at the area's top left, device pixels): a segment,
    // and a vertical run from y0 to y1 in column x; both clipped.
    void line(double x0, double y0, double x1, double y1, QRgb rgb) {
        segment(x0, y0, x1, y1, 0xFF000000u | (rgb & 0xFFFFFFu));
    }
    void span(int x, double y0, double y1, QRgb rgb);
    int width() const { return m_w; }
    int height() const { return m_h; }
    qreal dpr() const { return m_dpr; }
    const QRect& area() const { return m_area; }
    // Puts the image onto the painter and ends the frame.
    void finish(QPainter* painter);

    const QImage& image() const { return m_image; }

private:
    void segment(double x0, double y0, double x1, double y1, quint32 colour);
    void plot(int x, int y, quint32 colour) {
        reinterpret_cast<quint32*>(m_bits + static_cast<qsizetype>(y) * m_stride)[x] = colour;
    }
    // Grows the box of touched pixels, which is all that is cleared and copied.
    void touch(int x0, int y0, int x1, int y1) {
        m_dirty0 = QPoint(std::min(m_dirty0.x(), x0), std::min(m_dirty0.y(), y0));
        m_dirty1 = QPoint(std::max(m_dirty1.x(), x1), std::max(m_dirty1.y(), y1));
    }
    bool dirty() const { return m_dirty0.x() <= m_dirty1.x(); }

    QImage m_image;
    QRect m_area;
    qreal m_dpr = 1.0;
    bool m_prepared = false;
    uchar* m_bits = nullptr;
    qsizetype m_stride = 0;
    int m_w = 0;
    int m_h = 0;
    QPoint m_dirty0{1, 1};
    QPoint m_dirty1{0, 0};
};

// Puts the chart's raster on screen, on a layer above the plottables that filled it.
class OscRasterLayerable : public QCPLayerable {
    Q_OBJECT
public:
    OscRasterLayerable(QCustomPlot* plot, OscRaster& raster, const QString& layer);

protected:
    void applyDefaultAntialiasingHint(QCPPainter* painter) const override;
    void draw(QCPPainter* painter) override;

private:
    OscRaster& m_raster;
};
