#include "oscillo/osc_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

void OscRaster::prepare(const QRect& area, qreal dpr) {
    if (m_prepared)
        return;
    const int w = std::max(1, static_cast<int>(std::ceil(area.width() * dpr)));
    const int h = std::max(1, static_cast<int>(std::ceil(area.height() * dpr)));
    if (m_image.width() != w || m_image.height() != h) {
        m_image = QImage(w, h, QImage::Format_ARGB32_Premultiplied);
        m_image.fill(Qt::transparent);
    } else if (dirty()) {
        // Only what the last frame drew needs clearing.
        const int x0 = m_dirty0.x();
        const int n = m_dirty1.x() - x0 + 1;
        for (int y = m_dirty0.y(); y <= m_dirty1.y(); ++y)
            std::fill_n(reinterpret_cast<quint32*>(m_image.scanLine(y)) + x0, n, 0u);
    }
    m_dirty0 = QPoint(1, 1);
    m_dirty1 = QPoint(0, 0);
    m_image.setDevicePixelRatio(dpr);
    m_area = area;
    m_dpr = dpr;
    m_bits = m_image.bits();
    m_stride = m_image.bytesPerLine();
    m_w = w;
    m_h = h;
    m_prepared = true;
}

void OscRaster::drawPolyline(const QPointF* points, int count, QRgb rgb) {
    if (!m_prepared || count <= 0)
        return;
    const quint32 colour = 0xFF000000u | (rgb & 0xFFFFFFu);
    const double ox = m_area.left();
    const double oy = m_area.top();
    auto dev = [&](const QPointF& p) {
        return QPointF((p.x() - ox) * m_dpr, (p.y() - oy) * m_dpr);
    };
    QPointF a = dev(points[0]);
    if (count == 1) {
        segment(a.x(), a.y(), a.x(), a.y(), colour);
        return;
    }
    for (int i = 1; i < count; ++i) {
        const QPointF b = dev(points[i]);
        segment(a.x(), a.y(), b.x(), b.y(), colour);
        a = b;
    }
}

// A segment in device pixels: clipped to the image (Liang-Barsky), then walked with
// integer steps; vertical and horizontal runs, the bulk of a dense view, are plain loops.
void OscRaster::segment(double x0, double y0, double x1, double y1, quint32 colour) {
    const double xmin = 0.0, ymin = 0.0;
    const double xmax = m_w - 1e-6, ymax = m_h - 1e-6;
    double t0 = 0.0, t1 = 1.0;
    const double dx = x1 - x0, dy = y1 - y0;
    auto clip = [&](double p, double q) {
        if (p == 0.0)
            return q >= 0.0;
        const double r = q / p;
        if (p < 0.0) {
            if (r > t1)
                return false;
            t0 = std::max(t0, r);
        } else {
            if (r < t0)
                return false;
            t1 = std::min(t1, r);
        }
        return true;
    };
    if (!clip(-dx, x0 - xmin) || !clip(dx, xmax - x0) || !clip(-dy, y0 - ymin) ||
        !clip(dy, ymax - y0))
        return;
    int ax = static_cast<int>(std::floor(x0 + t0 * dx));
    int ay = static_cast<int>(std::floor(y0 + t0 * dy));
    const int bx = static_cast<int>(std::floor(x0 + t1 * dx));
    const int by = static_cast<int>(std::floor(y0 + t1 * dy));
    ax = std::clamp(ax, 0, m_w - 1);
    ay = std::clamp(ay, 0, m_h - 1);
    const int ex = std::clamp(bx, 0, m_w - 1);
    const int ey = std::clamp(by, 0, m_h - 1);
    touch(std::min(ax, ex), std::min(ay, ey), std::max(ax, ex), std::max(ay, ey));

    if (ax == ex) {
        const int lo = std::min(ay, ey), hi = std::max(ay, ey);
        quint32* p =
            reinterpret_cast<quint32*>(m_bits + static_cast<qsizetype>(lo) * m_stride) + ax;
        const qsizetype step = m_stride / 4;
        for (int y = lo; y <= hi; ++y, p += step)
            *p = colour;
        return;
    }
    if (ay == ey) {
        quint32* row = reinterpret_cast<quint32*>(m_bits + static_cast<qsizetype>(ay) * m_stride);
        std::fill(row + std::min(ax, ex), row + std::max(ax, ex) + 1, colour);
        return;
    }
    const int sx = ax < ex ? 1 : -1;
    const int sy = ay < ey ? 1 : -1;
    const int adx = std::abs(ex - ax);
    const int ady = -std::abs(ey - ay);
    int err = adx + ady;
    for (;;) {
        plot(ax, ay, colour);
        if (ax == ex && ay == ey)
            break;
        const int e2 = 2 * err;
        if (e2 >= ady) {
            err += ady;
            ax += sx;
        }
        if (e2 <= adx) {
            err += adx;
            ay += sy;
        }
    }
}

void OscRaster::span(int x, double y0, double y1, QRgb rgb) {
    if (!m_prepared || x < 0 || x >= m_w)
        return;
    if (y1 < y0)
        std::swap(y0, y1);
    if (!(y1 >= 0.0) || !(y0 < m_h)) // also refuses NaN
        return;
    const int lo = std::max(0, static_cast<int>(std::floor(y0)));
    const int hi = std::min(m_h - 1, static_cast<int>(std::floor(y1)));
    touch(x, lo, x, hi);
    const quint32 colour = 0xFF000000u | (rgb & 0xFFFFFFu);
    quint32* p = reinterpret_cast<quint32*>(m_bits + static_cast<qsizetype>(lo) * m_stride) + x;
    const qsizetype step = m_stride / 4;
    for (int y = lo; y <= hi; ++y, p += step)
        *p = colour;
}

void OscRaster::finish(QPainter* painter) {
    if (!m_prepared)
        return;
    m_prepared = false;
    if (!dirty())
        return;
    const QRect src(m_dirty0, m_dirty1);
    const QPointF at(m_area.left() + src.left() / m_dpr, m_area.top() + src.top() / m_dpr);
    painter->drawImage(at, m_image, src);
}

OscRasterLayerable::OscRasterLayerable(QCustomPlot* plot, OscRaster& raster, const QString& layer)
    : QCPLayerable(plot, layer), m_raster(raster) {}

void OscRasterLayerable::applyDefaultAntialiasingHint(QCPPainter* painter) const {
    painter->setAntialiasing(false);
}

void OscRasterLayerable::draw(QCPPainter* painter) {
    m_raster.finish(painter);
}
