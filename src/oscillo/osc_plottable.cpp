#include "oscillo/osc_plottable.h"

#include "oscillo/osc_raster.h"
#include "oscillo/osc_series.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Keeps coordinates in the range the raster engine draws reliably.
constexpr double PixelLimit = 1.0e5;

double clampPixel(double v) {
    if (std::isnan(v))
        return 0.0;
    return std::clamp(v, -PixelLimit, PixelLimit);
}

// The point on segment a-b whose x is x (a.x != b.x).
QPointF onSegmentAtX(const QPointF& a, const QPointF& b, double x) {
    const double t = (x - a.x()) / (b.x() - a.x());
    return {x, a.y() + t * (b.y() - a.y())};
}

double distanceToSegment(const QPointF& p, const QPointF& a, const QPointF& b) {
    const double dx = b.x() - a.x();
    const double dy = b.y() - a.y();
    const double len2 = dx * dx + dy * dy;
    double t = 0.0;
    if (len2 > 0.0)
        t = std::clamp(((p.x() - a.x()) * dx + (p.y() - a.y()) * dy) / len2, 0.0, 1.0);
    const double ex = a.x() + t * dx - p.x();
    const double ey = a.y() + t * dy - p.y();
    return std::sqrt(ex * ex + ey * ey);
}

} // namespace

OscPlottable::OscPlottable(QCPAxis* keyAxis, QCPAxis* valueAxis, const OscSeries& series,
                           OscRaster* raster)
    : QCPAbstractPlottable(keyAxis, valueAxis), m_series(series), m_raster(raster) {
    setAntialiased(false);
    setSelectable(QCP::stNone);
}

void OscPlottable::toPixels(const PointStore::Polyline& line, QVector<QPointF>& px) const {
    const QCPAxis* k = mKeyAxis.data();
    const QCPAxis* v = mValueAxis.data();
    px.resize(static_cast<int>(line.size()));
    for (std::size_t i = 0; i < line.size(); ++i)
        px[static_cast<int>(i)] =
            QPointF(k->coordToPixel(static_cast<double>(line[i].x)),
                    clampPixel(v->coordToPixel(static_cast<double>(line[i].y))));
    if (px.size() < 2)
        return;
    const QRect r = k->axisRect()->rect();
    const double left = r.left() - 2.0;
    const double right = r.right() + 2.0;
    if (px.front().x() < left && px[1].x() > px.front().x())
        px.front() = onSegmentAtX(px.front(), px[1], std::min(left, px[1].x()));
    const int n = static_cast<int>(px.size());
    if (px.back().x() > right && px[n - 2].x() < px.back().x())
        px.back() = onSegmentAtX(px[n - 2], px.back(), std::max(right, px[n - 2].x()));
    for (QPointF& p : px)
        p.setX(clampPixel(p.x()));
}

void OscPlottable::draw(QCPPainter* painter) {
    const QCPAxis* k = mKeyAxis.data();
    if (!k || !mValueAxis || m_series.points().empty())
        return;
    const QCPRange range = k->range();
    // Pixels go to the raster; vector output (and a scaled export) takes the painter.
    if (m_raster && !painter->modes().testFlag(QCPPainter::pmVectorized) &&
        painter->worldTransform().type() <= QTransform::TxTranslate) {
        const qreal dpr = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        m_raster->prepare(k->axisRect()->rect(), dpr);
        drawRaster(range);
        return;
    }
    m_series.points().decimate(range.lower, range.upper, k->axisRect()->width(), m_lines);
    applyDefaultAntialiasingHint(painter);
    painter->setPen(mPen);
    painter->setBrush(Qt::NoBrush);
    for (const auto& line : m_lines) {
        toPixels(line, m_pixels);
        if (m_pixels.size() == 1)
            painter->drawPoint(m_pixels.front());
        else
            painter->drawPolyline(m_pixels.constData(), static_cast<int>(m_pixels.size()));
    }
}

void OscPlottable::drawRaster(const QCPRange& range) {
    OscRaster& r = *m_raster;
    const QCPAxis* k = mKeyAxis.data();
    const QCPAxis* v = mValueAxis.data();
    const QRgb rgb = mPen.color().rgb();
    const double dpr = r.dpr();
    const QRect area = r.area();
    // Both axes are linear: map values to the image's pixels with two coefficients.
    const double v0 = v->coordToPixel(0.0);
    const double vScale = (v->coordToPixel(1.0) - v0) * dpr;
    const double vOffset = (v0 - area.top()) * dpr;
    auto py = [&](float y) { return clampPixel(vOffset + vScale * static_cast<double>(y)); };
    auto px = [&](std::int64_t x) {
        return clampPixel((k->coordToPixel(static_cast<double>(x)) - area.left()) * dpr);
    };

    // One column of the reduction is one pixel column of the image.
    m_series.points().reduce(range.lower, range.upper, r.width(), m_parts);
    for (const auto& part : m_parts) {
        if (part.raw) {
            toPixels(part.points, m_pixels);
            r.drawPolyline(m_pixels.constData(), static_cast<int>(m_pixels.size()), rgb);
            continue;
        }
        bool havePrev = false;
        int prevX = 0;
        double prevY = 0.0;
        if (part.before) {
            havePrev = true;
            prevX = -1;
            prevY = py(part.before->y);
            const double bx = px(part.before->x);
            const auto& c0 = part.columns.front();
            r.line(bx, prevY, c0.index, py(c0.first), rgb);
            prevX = c0.index; // joined already
            prevY = py(c0.first);
        }
        for (const auto& c : part.columns) {
            double lo = py(c.max);
            double hi = py(c.min);
            if (lo > hi)
                std::swap(lo, hi);
            if (havePrev && prevX >= c.index - 1) {
                // Next to the previous column: the join is part of this column's run.
                lo = std::min(lo, prevY);
                hi = std::max(hi, prevY);
            } else if (havePrev) {
                r.line(prevX, prevY, c.index, py(c.first), rgb);
            }
            r.span(c.index, lo, hi, rgb);
            havePrev = true;
            prevX = c.index;
            prevY = py(c.last);
        }
        if (part.after && havePrev)
            r.line(prevX, prevY, px(part.after->x), py(part.after->y), rgb);
    }
}

void OscPlottable::drawLegendIcon(QCPPainter* painter, const QRectF& rect) const {
    applyDefaultAntialiasingHint(painter);
    painter->setPen(mPen);
    painter->drawLine(QLineF(rect.left(), rect.center().y(), rect.right(), rect.center().y()));
}

double OscPlottable::selectTest(const QPointF& pos, bool onlySelectable, QVariant*) const {
    if ((onlySelectable && mSelectable == QCP::stNone) || !mKeyAxis || !mValueAxis)
        return -1;
    const QCPAxis* k = mKeyAxis.data();
    if (!k->axisRect()->rect().contains(pos.toPoint()) || m_series.points().empty())
        return -1;
    constexpr double reach = 3.0; // columns either side of the pointer
    double a = k->pixelToCoord(pos.x() - reach);
    double b = k->pixelToCoord(pos.x() + reach);
    if (b < a)
        std::swap(a, b);
    std::vector<PointStore::Polyline> lines;
    m_series.points().decimate(a, b, static_cast<int>(2 * reach), lines);
    double best = std::numeric_limits<double>::infinity();
    QVector<QPointF> px;
    for (const auto& line : lines) {
        toPixels(line, px);
        if (px.size() == 1)
            best = std::min(best, QLineF(px.front(), pos).length());
        for (int i = 1; i < px.size(); ++i)
            best = std::min(best, distanceToSegment(pos, px[i - 1], px[i]));
    }
    return std::isfinite(best) ? best : -1;
}

QCPRange OscPlottable::getKeyRange(bool& foundRange, QCP::SignDomain) const {
    const auto first = m_series.points().firstX();
    const auto last = m_series.points().lastX();
    foundRange = first.has_value();
    if (!foundRange)
        return {};
    return QCPRange(static_cast<double>(*first), static_cast<double>(*last));
}

QCPRange OscPlottable::getValueRange(bool& foundRange, QCP::SignDomain,
                                     const QCPRange& inKeyRange) const {
    std::optional<PointStore::Range> r;
    if (inKeyRange.size() > 0.0) {
        constexpr double lim = 9.0e18;
        r = m_series.points().minMax(
            static_cast<std::int64_t>(std::ceil(std::clamp(inKeyRange.lower, -lim, lim))),
            static_cast<std::int64_t>(std::floor(std::clamp(inKeyRange.upper, -lim, lim))));
    } else
        r = m_series.points().valueRange();
    foundRange = r.has_value();
    if (!foundRange)
        return {};
    return QCPRange(r->min, r->max);
}
