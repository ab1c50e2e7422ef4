#include "oscillo/point_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::uint64_t MaxOffset = std::numeric_limits<std::uint32_t>::max();

inline void widen(PointStore::Range& r, float y, bool first) {
    if (first) {
        r.min = y;
        r.max = y;
        return;
    }
    r.min = std::min(r.min, y);
    r.max = std::max(r.max, y);
}

inline void merge(std::optional<PointStore::Range>& acc, const PointStore::Range& r) {
    if (!acc) {
        acc = r;
        return;
    }
    acc->min = std::min(acc->min, r.min);
    acc->max = std::max(acc->max, r.max);
}

// Whole milliseconds at or after v, kept inside the 64-bit range.
std::int64_t ceilMs(double v) {
    constexpr double lim = 9.2e18;
    if (!(v > -lim))
        return -static_cast<std::int64_t>(lim);
    if (v > lim)
        return static_cast<std::int64_t>(lim);
    return static_cast<std::int64_t>(std::ceil(v));
}

std::int64_t floorMs(double v) {
    constexpr double lim = 9.2e18;
    if (!(v > -lim))
        return -static_cast<std::int64_t>(lim);
    if (v > lim)
        return static_cast<std::int64_t>(lim);
    return static_cast<std::int64_t>(std::floor(v));
}

} // namespace

// ---- Run look-ups

std::size_t PointStore::Run::lowerBound(std::int64_t x) const {
    // Chunk k is the first whose first X is >= x: the answer is in the tail of chunk k-1
    // or at the start of chunk k.
    const auto k = static_cast<std::size_t>(
        std::lower_bound(chunkFirstX.begin(), chunkFirstX.end(), x) - chunkFirstX.begin());
    if (k == 0)
        return 0;
    const Chunk& c = *chunks[k - 1];
    const std::uint64_t d = static_cast<std::uint64_t>(x) - static_cast<std::uint64_t>(c.base);
    std::size_t off = static_cast<std::size_t>(c.count);
    if (d <= MaxOffset)
        off = static_cast<std::size_t>(
            std::lower_bound(c.dx, c.dx + c.count, static_cast<std::uint32_t>(d)) - c.dx);
    return ((k - 1) << ChunkShift) + off;
}

std::size_t PointStore::Run::lowerBoundFrom(std::size_t from, std::int64_t x) const {
    if (from >= count || xAt(from) >= x)
        return from;
    // xAt(lo) < x; grow the step until xAt(hi) >= x or the end.
    std::size_t lo = from;
    std::size_t step = 1;
    std::size_t hi = from + 1;
    while (hi < count && xAt(hi) < x) {
        lo = hi;
        step *= 2;
        hi = std::min(count, from + step);
    }
    // The answer lies in (lo, hi].
    std::size_t a = lo + 1;
    std::size_t b = hi;
    while (a < b) {
        const std::size_t mid = a + (b - a) / 2;
        if (xAt(mid) < x)
            a = mid + 1;
        else
            b = mid;
    }
    return a;
}

// ---- PointStore

PointStore::PointStore() = default;
PointStore::~PointStore() = default;
PointStore::PointStore(PointStore&&) noexcept = default;
PointStore& PointStore::operator=(PointStore&&) noexcept = default;

PointStore::Run& PointStore::startRun(std::int64_t x) {
    auto run = std::make_unique<Run>();
    run->lastX = x;
    m_runs.push_back(std::move(run));
    return *m_runs.back();
}

void PointStore::appendToChunk(Chunk& c, std::int64_t x, float y) {
    const int k = c.count;
    c.dx[k] = static_cast<std::uint32_t>(static_cast<std::uint64_t>(x) -
                                         static_cast<std::uint64_t>(c.base));
    c.y[k] = y;
    widen(c.l0[k >> 4], y, (k & 15) == 0);
    widen(c.l1[k >> 7], y, (k & 127) == 0);
    widen(c.l2[k >> 10], y, (k & 1023) == 0);
    widen(c.all, y, k == 0);
    c.count = k + 1;
}

bool PointStore::append(std::int64_t x, float y) {
    if (!std::isfinite(y))
        return false;
    Run* run = m_runs.empty() ? nullptr : m_runs.back().get();
    if (run && x < run->lastX)
        run = nullptr; // time went back: a new run keeps every run in time order
    if (run && !run->chunks.empty()) {
        const Chunk& c = *run->chunks.back();
        const std::uint64_t d =
            static_cast<std::uint64_t>(x) - static_cast<std::uint64_t>(c.base);
        if (c.count < ChunkPoints && d > MaxOffset)
            run = nullptr; // the offset would not fit the half-filled chunk
    }
    if (!run)
        run = &startRun(x);
    if (run->chunks.empty() || run->chunks.back()->count == ChunkPoints) {
        // Uninitialised arrays on purpose: pages are touched only as points arrive.
        std::unique_ptr<Chunk> c(new Chunk);
        c->base = x;
        run->chunks.push_back(std::move(c));
        run->chunkFirstX.push_back(x);
    }
    appendToChunk(*run->chunks.back(), x, y);
    ++run->count;
    run->lastX = x;
    ++m_size;
    return true;
}

void PointStore::clear() {
    m_runs.clear();
    m_runs.shrink_to_fit();
    m_size = 0;
}

PointStore::Point PointStore::at(std::size_t i) const {
    for (const auto& run : m_runs) {
        if (i < run->count)
            return {run->xAt(i), run->yAt(i)};
        i -= run->count;
    }
    return {};
}

std::optional<PointStore::Range> PointStore::valueRange() const {
    std::optional<Range> acc;
    for (const auto& run : m_runs)
        for (const auto& c : run->chunks)
            merge(acc, c->all);
    return acc;
}

std::optional<std::int64_t> PointStore::firstX() const {
    std::optional<std::int64_t> v;
    for (const auto& run : m_runs)
        if (!v || run->chunkFirstX.front() < *v)
            v = run->chunkFirstX.front();
    return v;
}

std::optional<std::int64_t> PointStore::lastX() const {
    std::optional<std::int64_t> v;
    for (const auto& run : m_runs)
        if (!v || run->lastX > *v)
            v = run->lastX;
    return v;
}

std::optional<PointStore::Range> PointStore::runMinMax(const Run& r, std::size_t a,
                                                       std::size_t b) {
    std::optional<Range> acc;
    while (a < b) {
        const Chunk& c = *r.chunks[a >> ChunkShift];
        const std::size_t chunkStart = a & ~static_cast<std::size_t>(ChunkPoints - 1);
        int lo = static_cast<int>(a - chunkStart);
        const int hi = static_cast<int>(std::min<std::size_t>(b - chunkStart, c.count));
        a = chunkStart + static_cast<std::size_t>(hi);
        if (lo == 0 && hi == c.count) {
            merge(acc, c.all);
            continue;
        }
        // Climb from single points to ever larger buckets, then come down again.
        Range m{std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity()};
        auto take = [&m](float y0, float y1) {
            m.min = std::min(m.min, y0);
            m.max = std::max(m.max, y1);
        };
        for (; lo < hi && (lo & 15); ++lo)
            take(c.y[lo], c.y[lo]);
        for (; lo + 16 <= hi && (lo & 127); lo += 16)
            take(c.l0[lo >> 4].min, c.l0[lo >> 4].max);
        for (; lo + 128 <= hi && (lo & 1023); lo += 128)
            take(c.l1[lo >> 7].min, c.l1[lo >> 7].max);
        for (; lo + 1024 <= hi; lo += 1024)
            take(c.l2[lo >> 10].min, c.l2[lo >> 10].max);
        for (; lo + 128 <= hi; lo += 128)
            take(c.l1[lo >> 7].min, c.l1[lo >> 7].max);
        for (; lo + 16 <= hi; lo += 16)
            take(c.l0[lo >> 4].min, c.l0[lo >> 4].max);
        for (; lo < hi; ++lo)
            take(c.y[lo], c.y[lo]);
        merge(acc, m);
    }
    return acc;
}

std::optional<PointStore::Range> PointStore::minMax(std::int64_t x0, std::int64_t x1) const {
    std::optional<Range> acc;
    if (x1 < x0)
        return acc;
    for (const auto& run : m_runs) {
        const std::size_t a = run->lowerBound(x0);
        const std::size_t b =
            x1 == std::numeric_limits<std::int64_t>::max() ? run->count : run->lowerBound(x1 + 1);
        if (auto r = runMinMax(*run, a, b))
            merge(acc, *r);
    }
    return acc;
}

std::optional<PointStore::Point> PointStore::pointAtOrBefore(std::int64_t x) const {
    for (auto it = m_runs.rbegin(); it != m_runs.rend(); ++it) {
        const Run& run = **it;
        const std::size_t i =
            x == std::numeric_limits<std::int64_t>::max() ? run.count : run.lowerBound(x + 1);
        if (i > 0)
            return Point{run.xAt(i - 1), run.yAt(i - 1)};
    }
    return std::nullopt;
}

void PointStore::decimate(double x0, double x1, int columns, std::vector<Polyline>& out) const {
    // Reuses the caller's polylines so that a redraw allocates nothing once warmed up.
    std::size_t used = 0;
    if (x1 >= x0 && columns > 0) {
        for (const auto& run : m_runs) {
            if (out.size() <= used)
                out.emplace_back();
            Polyline& line = out[used];
            line.clear();
            decimateRun(*run, x0, x1, columns, line);
            if (!line.empty())
                ++used;
        }
    }
    out.resize(used);
}

void PointStore::decimateRun(const Run& r, double x0, double x1, int columns,
                             Polyline& out) const {
    const std::int64_t first = ceilMs(x0);
    const std::int64_t last = floorMs(x1);
    const std::size_t ia = r.lowerBound(first);
    const std::size_t ib = last == std::numeric_limits<std::int64_t>::max()
                               ? r.count
                               : r.lowerBoundFrom(ia, last + 1);
    if (ia == r.count || ib == 0)
        return; // the run ends before the view or starts after it
    const std::size_t from = ia > 0 ? ia - 1 : 0;
    const std::size_t to = ib < r.count ? ib : r.count - 1; // inclusive

    const std::size_t inView = ib - ia;
    if (inView <= 2 * static_cast<std::size_t>(columns)) {
        out.reserve(to - from + 1);
        for (std::size_t i = from; i <= to; ++i)
            out.push_back({r.xAt(i), r.yAt(i)});
        return;
    }

    out.reserve(4 * static_cast<std::size_t>(columns) + 2);
    if (ia > 0)
        out.push_back({r.xAt(ia - 1), r.yAt(ia - 1)});
    const double w = (x1 - x0) / columns;
    std::size_t idx = ia;
    for (int c = 0; c < columns && idx < ib; ++c) {
        std::size_t bound = ib;
        if (c + 1 < columns)
            bound = std::min(ib, r.lowerBoundFrom(idx, ceilMs(x0 + (c + 1) * w)));
        if (bound <= idx)
            continue;
        const Point p0{r.xAt(idx), r.yAt(idx)};
        out.push_back(p0);
        if (bound - idx > 1) {
            const Point p1{r.xAt(bound - 1), r.yAt(bound - 1)};
            if (bound - idx > 2) {
                const Range m = *runMinMax(r, idx, bound);
                // Visit the extreme farther from the exit first, so the line ends near it.
                const bool lowFirst = std::abs(p1.y - m.max) <= std::abs(p1.y - m.min);
                const float e0 = lowFirst ? m.min : m.max;
                const float e1 = lowFirst ? m.max : m.min;
                float lastY = p0.y;
                for (float e : {e0, e1}) {
                    if (e != lastY)
                        out.push_back({p0.x, e});
                    lastY = e;
                }
            }
            out.push_back(p1);
        }
        idx = bound;
    }
    if (ib < r.count)
        out.push_back({r.xAt(ib), r.yAt(ib)});
}

std::size_t PointStore::bytesUsed() const {
    std::size_t bytes = sizeof(*this) + m_runs.capacity() * sizeof(m_runs[0]);
    for (const auto& run : m_runs) {
        bytes += sizeof(Run) + run->chunks.capacity() * sizeof(run->chunks[0]) +
                 run->chunkFirstX.capacity() * sizeof(std::int64_t) +
                 run->chunks.size() * sizeof(Chunk);
    }
    return bytes;
}
