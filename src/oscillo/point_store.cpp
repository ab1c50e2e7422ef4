#include "oscillo/point_store.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr std::uint64_t MaxOffset = std::numeric_limits<std::uint32_t>::max();

template <typename Node> inline void widen(Node& n, float y, std::uint32_t d, bool first) {
    if (first) {
        n = {y, y, y, y, d, d};
        return;
    }
    n.min = std::min(n.min, y);
    n.max = std::max(n.max, y);
    n.lastY = y;
    n.last = d;
}

template <typename Node> inline void merge(std::optional<PointStore::Range>& acc, const Node& r) {
    if (!acc) {
        acc = PointStore::Range{r.min, r.max};
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
    const auto d = static_cast<std::uint32_t>(static_cast<std::uint64_t>(x) -
                                              static_cast<std::uint64_t>(c.base));
    c.dx[k] = d;
    c.y[k] = y;
    widen(c.l0[k >> 4], y, d, (k & 15) == 0);
    widen(c.l1[k >> 7], y, d, (k & 127) == 0);
    widen(c.l2[k >> 10], y, d, (k & 1023) == 0);
    widen(c.all, y, d, k == 0);
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
        const std::uint64_t d = static_cast<std::uint64_t>(x) - static_cast<std::uint64_t>(c.base);
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

std::optional<PointStore::Range> PointStore::runMinMax(const Run& r, std::size_t a, std::size_t b) {
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

void PointStore::reduce(double x0, double x1, int columns, std::vector<Reduction>& out) const {
    // Reuses the caller's buffers so that a redraw allocates nothing once warmed up.
    std::size_t used = 0;
    if (x1 >= x0 && columns > 0) {
        for (const auto& run : m_runs) {
            if (out.size() <= used)
                out.emplace_back();
            Reduction& r = out[used];
            r.raw = true;
            r.points.clear();
            r.columns.clear();
            r.before.reset();
            r.after.reset();
            reduceRun(*run, x0, x1, columns, r);
            if (!r.points.empty() || !r.columns.empty())
                ++used;
        }
    }
    out.resize(used);
}

void PointStore::decimate(double x0, double x1, int columns, std::vector<Polyline>& out) const {
    std::vector<Reduction> parts;
    reduce(x0, x1, columns, parts);
    out.resize(parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        Reduction& part = parts[i];
        Polyline& line = out[i];
        line.clear();
        if (part.raw) {
            line.swap(part.points);
            continue;
        }
        line.reserve(4 * part.columns.size() + 2);
        if (part.before)
            line.push_back(*part.before);
        for (const Column& c : part.columns) {
            line.push_back({c.firstX, c.first});
            // Visit the extreme farther from the exit first, so the line ends near it.
            const bool lowFirst = std::abs(c.last - c.max) <= std::abs(c.last - c.min);
            float lastY = c.first;
            for (float e : {lowFirst ? c.min : c.max, lowFirst ? c.max : c.min}) {
                if (e != lastY)
                    line.push_back({c.firstX, e});
                lastY = e;
            }
            if (c.lastX != c.firstX || c.last != lastY)
                line.push_back({c.lastX, c.last});
        }
        if (part.after)
            line.push_back(*part.after);
    }
}

namespace {

// The columns of a view: column c holds the whole milliseconds from bounds[c] up to
// bounds[c+1]; a cursor finds the column of each X met in order, mostly with one compare.
struct ColumnMap {
    std::vector<std::int64_t> bounds; // columns + 1 entries
    double x0 = 0.0;
    double inv = 0.0; // columns per millisecond

    ColumnMap(double viewX0, double viewX1, int columns, std::int64_t first, std::int64_t last)
        : x0(viewX0) {
        const double w = (viewX1 - viewX0) / columns;
        inv = w > 0.0 ? 1.0 / w : 0.0;
        bounds.resize(static_cast<std::size_t>(columns) + 1);
        bounds[0] = first;
        for (int c = 1; c < columns; ++c)
            bounds[static_cast<std::size_t>(c)] = ceilMs(viewX0 + c * w);
        bounds[static_cast<std::size_t>(columns)] = last + 1;
    }
    int columns() const { return static_cast<int>(bounds.size()) - 1; }
};

struct ColumnCursor {
    const ColumnMap& map;
    int c = 0;
    std::int64_t start = 0;
    std::int64_t end = 0;     // end of column c
    std::int64_t nextEnd = 0; // end of column c + 1

    explicit ColumnCursor(const ColumnMap& m) : map(m) { set(0); }
    void set(int col) {
        const auto i = static_cast<std::size_t>(col);
        c = col;
        start = map.bounds[i];
        end = map.bounds[i + 1];
        nextEnd = i + 2 < map.bounds.size() ? map.bounds[i + 2]
                                            : std::numeric_limits<std::int64_t>::max();
    }
    // Moves to the column of x (x inside the view).
    void seek(std::int64_t x) {
        if (x >= start && x < end)
            return;
        const int n = map.columns();
        int g =
            static_cast<int>(std::clamp((static_cast<double>(x) - map.x0) * map.inv, 0.0, n - 1.0));
        while (g + 1 < n && map.bounds[static_cast<std::size_t>(g) + 1] <= x)
            ++g;
        while (g > 0 && map.bounds[static_cast<std::size_t>(g)] > x)
            --g;
        set(g);
    }
};

// Gathers nodes of the pyramid, met in X order, into columns.
struct ColumnSink {
    std::vector<PointStore::Column>& out;
    PointStore::Column cur{};
    bool open = false;

    template <typename Node> void add(int c, std::int64_t base, const Node& n) {
        if (open && cur.index == c) {
            cur.lastX = base + n.last;
            cur.last = n.lastY;
            cur.min = std::min(cur.min, n.min);
            cur.max = std::max(cur.max, n.max);
            return;
        }
        close();
        cur = {c, base + n.first, base + n.last, n.firstY, n.lastY, n.min, n.max};
        open = true;
    }
    void close() {
        if (open)
            out.push_back(cur);
        open = false;
    }
};

struct PointNode { // a single point, as a node
    float min, max, firstY, lastY;
    std::uint32_t first, last;
};

// Node sizes by level: the chunk, 1024, 128, 16 points, single points.
constexpr int LevelSize[] = {4096, 1024, 128, 16, 1};

} // namespace

void PointStore::reduceRun(const Run& r, double x0, double x1, int columns, Reduction& out) {
    const std::int64_t first = ceilMs(x0);
    const std::int64_t last = floorMs(x1);
    const std::size_t ia = r.lowerBound(first);
    const std::size_t ib =
        last == std::numeric_limits<std::int64_t>::max() ? r.count : r.lowerBoundFrom(ia, last + 1);
    if (ia == r.count || ib == 0)
        return; // the run ends before the view or starts after it

    const std::size_t inView = ib - ia;
    if (inView <= static_cast<std::size_t>(columns) / 2) {
        out.raw = true;
        const std::size_t from = ia > 0 ? ia - 1 : 0;
        const std::size_t to = ib < r.count ? ib : r.count - 1; // inclusive
        out.points.reserve(to - from + 1);
        for (std::size_t i = from; i <= to; ++i)
            out.points.push_back({r.xAt(i), r.yAt(i)});
        return;
    }

    out.raw = false;
    if (ia > 0)
        out.before = Point{r.xAt(ia - 1), r.yAt(ia - 1)};
    if (ib < r.count)
        out.after = Point{r.xAt(ib), r.yAt(ib)};
    out.columns.reserve(static_cast<std::size_t>(columns));

    // The walking level: the largest nodes that hold at most a quarter of a column's
    // points on average; below 64 points a column, single points.
    const std::size_t perColumn = inView / static_cast<std::size_t>(columns);
    int walk = 4;
    while (walk > 0 && static_cast<std::size_t>(LevelSize[walk - 1]) * 4 <= perColumn)
        --walk;

    const ColumnMap map(x0, x1, columns, first, last);
    ColumnCursor cursor(map);
    ColumnSink sink{out.columns};
    const std::size_t firstChunk = ia >> ChunkShift;
    const std::size_t lastChunk = (ib - 1) >> ChunkShift;
    for (std::size_t ci = firstChunk; ci <= lastChunk; ++ci) {
        const Chunk& c = *r.chunks[ci];
        const int lo = ci == firstChunk ? static_cast<int>(ia & (ChunkPoints - 1)) : 0;
        const int hi =
            ci == lastChunk ? static_cast<int>((ib - 1) & (ChunkPoints - 1)) + 1 : c.count;
        // Takes a node whole when it ends before the column after the one it starts in;
        // otherwise (a sparse stretch, or the view's edge) looks at its children.
        auto visit = [&](auto&& self, int s, int level) -> void {
            const int size = LevelSize[level];
            const int end = std::min(s + size, c.count);
            const int b = std::max(s, lo);
            const int e = std::min(end, hi);
            if (b >= e)
                return;
            if (level == 4) {
                const float y = c.y[b];
                cursor.seek(c.xAt(b));
                sink.add(cursor.c, c.base, PointNode{y, y, y, y, c.dx[b], c.dx[b]});
                return;
            }
            if (b == s && e == end && level >= walk) {
                const Chunk::Node& n = level == 0   ? c.all
                                       : level == 1 ? c.l2[s >> 10]
                                       : level == 2 ? c.l1[s >> 7]
                                                    : c.l0[s >> 4];
                cursor.seek(c.base + n.first);
                if (c.base + n.last < cursor.nextEnd) {
                    sink.add(cursor.c, c.base, n);
                    return;
                }
            }
            const int step = LevelSize[level + 1];
            for (int k = s; k < end; k += step)
                self(self, k, level + 1);
        };
        visit(visit, 0, 0);
    }
    sink.close();
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
