#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

// The points of one oscillogram series, in arrival order, built for recordings of many
// hours: appending is O(1) with no sort and no per-point reallocation, and every chunk
// of points carries a min/max pyramid, so that a view of the whole recording costs about
// as much to compute as a view of one minute.
//
// X is a whole millisecond count (64-bit), Y a 32-bit float (the converters' values are
// 32-bit floats already). Inside a chunk X is kept as a 32-bit offset from the chunk's
// first X: about 9.7 bytes per point, summary included.
//
// Points arrive in time order. A point whose X lies before the previous one (or more than
// 49 days after its chunk's start) opens a new run: every run is in time order, which the
// look-ups rely on, and the runs together keep the arrival order.
class PointStore {
public:
    struct Point {
        std::int64_t x = 0;
        float y = 0.0f;
        bool operator==(const Point&) const = default;
    };

    struct Range {
        float min = 0.0f;
        float max = 0.0f;
    };

    static constexpr int ChunkShift = 12;
    static constexpr int ChunkPoints = 1 << ChunkShift;

    PointStore();
    ~PointStore();
    PointStore(PointStore&&) noexcept;
    PointStore& operator=(PointStore&&) noexcept;
    PointStore(const PointStore&) = delete;
    PointStore& operator=(const PointStore&) = delete;

    // Appends one point. A Y that is not a finite number is no measurement and is refused
    // (returns false); nothing else is.
    bool append(std::int64_t x, float y);
    // Drops every point and frees the memory.
    void clear();

    std::size_t size() const { return m_size; }
    bool empty() const { return m_size == 0; }
    // The i-th point in arrival order (i < size()).
    Point at(std::size_t i) const;
    Point last() const { return at(m_size - 1); }

    // Calls f(x, y) for every point in arrival order (for saving).
    template <typename F> void forEach(F&& f) const;

    // Smallest and largest X and Y over all points; nullopt when empty.
    std::optional<Range> valueRange() const;
    std::optional<std::int64_t> firstX() const;
    std::optional<std::int64_t> lastX() const;

    // Min and max of Y over the points with x0 <= X <= x1.
    std::optional<Range> minMax(std::int64_t x0, std::int64_t x1) const;
    // The latest point (in arrival order) with X <= x, the value a step-wise reading shows
    // at x; nullopt when there is none.
    std::optional<Point> pointAtOrBefore(std::int64_t x) const;

    // What one column of a view holds: its first and last point, its lowest and highest Y.
    struct Column {
        int index = 0;
        std::int64_t firstX = 0;
        std::int64_t lastX = 0;
        float first = 0.0f;
        float last = 0.0f;
        float min = 0.0f;
        float max = 0.0f;
    };
    using Polyline = std::vector<Point>;
    // One run's part of a view: its points as they are where they are few, else one Column
    // per column that holds points; with the points just before and after the view, so
    // lines leave the view at the right slope.
    struct Reduction {
        bool raw = true;
        Polyline points;             // raw: the points, the outer two included
        std::vector<Column> columns; // otherwise, in column order
        std::optional<Point> before;
        std::optional<Point> after;
    };

    // Reduces the view [x0, x1], divided into `columns` equal columns, to at most one
    // Column per column and run. Column c covers the whole milliseconds from ceil(x0 + c*w)
    // up to ceil(x0 + (c+1)*w), the last one up to x1. Where the view holds many points per
    // column, the walk reads one level of the min/max pyramid in order (nodes of about a
    // quarter column or less), so its cost follows the number of columns, not of points;
    // a node that crosses into the next column counts for the column it starts in, which
    // puts a point at most one column early, never in a wrong value. Fewer points per
    // column are placed exactly.
    void reduce(double x0, double x1, int columns, std::vector<Reduction>& out) const;

    // The same view as polylines, one per run: where a run has many points, each column
    // gives its first point, its lowest and highest Y (at the first point's X) and its last
    // point, so every spike and every vertical edge survives.
    void decimate(double x0, double x1, int columns, std::vector<Polyline>& out) const;

    int runCount() const { return static_cast<int>(m_runs.size()); }
    // Memory held for the points and their summary, in bytes.
    std::size_t bytesUsed() const;

private:
    struct Chunk;
    struct Run;

    Run& startRun(std::int64_t x);
    void appendToChunk(Chunk& c, std::int64_t x, float y);
    static std::optional<Range> runMinMax(const Run& r, std::size_t a, std::size_t b);
    static void reduceRun(const Run& r, double x0, double x1, int columns, Reduction& out);

    std::vector<std::unique_ptr<Run>> m_runs;
    std::size_t m_size = 0;
};

// ---- implementation details needed by the template

struct PointStore::Chunk {
    // A node of the pyramid: min/max of Y, and the first and last point (X as offsets),
    // so that a walk over a view reads the summary and never the points.
    struct Node {
        float min;
        float max;
        float firstY;
        float lastY;
        std::uint32_t first;
        std::uint32_t last;
    };

    std::int64_t base = 0; // X of the chunk's first point
    int count = 0;
    std::uint32_t dx[ChunkPoints];
    float y[ChunkPoints];
    // Nodes over 16, 128 and 1024 points, and over the whole chunk.
    Node l0[ChunkPoints / 16];
    Node l1[ChunkPoints / 128];
    Node l2[ChunkPoints / 1024];
    Node all;

    std::int64_t xAt(int i) const { return base + static_cast<std::int64_t>(dx[i]); }
};

struct PointStore::Run {
    std::vector<std::unique_ptr<Chunk>> chunks; // every chunk full but the last
    std::vector<std::int64_t> chunkFirstX;      // for the chunk search, cache-friendly
    std::size_t count = 0;
    std::int64_t lastX = 0;

    std::int64_t xAt(std::size_t i) const {
        return chunks[i >> ChunkShift]->xAt(static_cast<int>(i & (ChunkPoints - 1)));
    }
    float yAt(std::size_t i) const { return chunks[i >> ChunkShift]->y[i & (ChunkPoints - 1)]; }
    // First index with X >= x (count when none).
    std::size_t lowerBound(std::int64_t x) const;
    // First index >= from with X >= x, searching forward from `from` in growing steps.
    std::size_t lowerBoundFrom(std::size_t from, std::int64_t x) const;
};

template <typename F> void PointStore::forEach(F&& f) const {
    for (const auto& run : m_runs)
        for (const auto& c : run->chunks)
            for (int i = 0; i < c->count; ++i)
                f(c->xAt(i), c->y[i]);
}
