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
// first X: about 8.6 bytes per point, summary included.
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
    template <typename F>
    void forEach(F&& f) const;

    // Smallest and largest X and Y over all points; nullopt when empty.
    std::optional<Range> valueRange() const;
    std::optional<std::int64_t> firstX() const;
    std::optional<std::int64_t> lastX() const;

    // Min and max of Y over the points with x0 <= X <= x1.
    std::optional<Range> minMax(std::int64_t x0, std::int64_t x1) const;
    // The latest point (in arrival order) with X <= x, the value a step-wise reading shows
    // at x; nullopt when there is none.
    std::optional<Point> pointAtOrBefore(std::int64_t x) const;

    // A drawable reduction of the points for a view [x0, x1] divided into `columns` equal
    // columns: one polyline per run. Where a run has few points in the view, they come as
    // they are; otherwise each column that holds points gives its first point, its lowest
    // and highest Y (at the first point's X) and its last point, so that every spike and
    // every vertical edge survives. The point just before and just after the view are
    // included, so lines leave the view at the right slope.
    using Polyline = std::vector<Point>;
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
    void decimateRun(const Run& r, double x0, double x1, int columns, Polyline& out) const;

    std::vector<std::unique_ptr<Run>> m_runs;
    std::size_t m_size = 0;
};

// ---- implementation details needed by the template

struct PointStore::Chunk {
    std::int64_t base = 0; // X of the chunk's first point
    int count = 0;
    std::uint32_t dx[ChunkPoints];
    float y[ChunkPoints];
    // Min/max over 16, 128 and 1024 points, and over the whole chunk.
    Range l0[ChunkPoints / 16];
    Range l1[ChunkPoints / 128];
    Range l2[ChunkPoints / 1024];
    Range all;

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
    float yAt(std::size_t i) const {
        return chunks[i >> ChunkShift]->y[i & (ChunkPoints - 1)];
    }
    // First index with X >= x (count when none).
    std::size_t lowerBound(std::int64_t x) const;
    // First index >= from with X >= x, searching forward from `from` in growing steps.
    std::size_t lowerBoundFrom(std::size_t from, std::int64_t x) const;
};

template <typename F>
void PointStore::forEach(F&& f) const {
    for (const auto& run : m_runs)
        for (const auto& c : run->chunks)
            for (int i = 0; i < c->count; ++i)
                f(c->xAt(i), c->y[i]);
}
