#include "oscillo/point_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

using Point = PointStore::Point;

// A random walk; every `gapEvery` points (if set) the stream pauses for minutes, as with
// packed recording of a steady value.
std::vector<Point> fill(PointStore& store, std::size_t n, std::uint32_t seed, int maxStep = 40,
                        std::size_t gapEvery = 0) {
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> step(0, maxStep); // 0: two points at one X, like an edge
    std::normal_distribution<float> noise(0.0f, 3.0f);
    std::vector<Point> pts;
    pts.reserve(n);
    std::int64_t x = 1000;
    float y = 50.0f;
    for (std::size_t i = 0; i < n; ++i) {
        x += step(rng);
        if (gapEvery && i % gapEvery == gapEvery - 1)
            x += 200000 + step(rng) * 1000;
        y += noise(rng);
        pts.push_back({x, y});
        EXPECT_TRUE(store.append(x, y));
    }
    return pts;
}

std::optional<PointStore::Range> bruteMinMax(const std::vector<Point>& pts, std::int64_t x0,
                                             std::int64_t x1) {
    std::optional<PointStore::Range> r;
    for (const Point& p : pts) {
        if (p.x < x0 || p.x > x1)
            continue;
        if (!r)
            r = PointStore::Range{p.y, p.y};
        r->min = std::min(r->min, p.y);
        r->max = std::max(r->max, p.y);
    }
    return r;
}

// Column c of a view covers the whole milliseconds from ceil(x0 + c*w) up to (not
// including) ceil(x0 + (c+1)*w); the last column ends at x1 inclusive.
struct Columns {
    std::vector<std::int64_t> bounds; // columns + 1 boundaries

    Columns(double x0, double x1, int columns) {
        const double w = (x1 - x0) / columns;
        bounds.push_back(static_cast<std::int64_t>(std::ceil(x0)));
        for (int c = 0; c + 1 < columns; ++c)
            bounds.push_back(static_cast<std::int64_t>(std::ceil(x0 + (c + 1) * w)));
        bounds.push_back(static_cast<std::int64_t>(std::floor(x1)) + 1);
    }
    int of(std::int64_t x) const {
        if (x < bounds.front() || x >= bounds.back())
            return -1;
        return static_cast<int>(std::upper_bound(bounds.begin(), bounds.end(), x) -
                                bounds.begin()) -
               1;
    }
};

using Extremes = std::vector<std::optional<PointStore::Range>>;

void widenTo(std::optional<PointStore::Range>& r, float y) {
    if (!r)
        r = PointStore::Range{y, y};
    r->min = std::min(r->min, y);
    r->max = std::max(r->max, y);
}

// Per column: the extremes of the points themselves, and of the reduced line.
std::pair<Extremes, Extremes> columnExtremes(const std::vector<Point>& pts,
                                             const PointStore::Polyline& line, double x0, double x1,
                                             int columns) {
    const Columns cols(x0, x1, columns);
    Extremes want(columns), got(columns);
    for (const Point& p : pts)
        if (int c = cols.of(p.x); c >= 0)
            widenTo(want[c], p.y);
    for (const Point& p : line)
        if (int c = cols.of(p.x); c >= 0)
            widenTo(got[c], p.y);
    return {want, got};
}

// Where a view has few points per column, every column keeps exactly the lowest and
// highest value of its points, and a column without points gets nothing.
void expectColumnsExact(const std::vector<Point>& pts, const PointStore::Polyline& line, double x0,
                        double x1, int columns) {
    const auto [want, got] = columnExtremes(pts, line, x0, x1, columns);
    for (int c = 0; c < columns; ++c) {
        ASSERT_EQ(want[c].has_value(), got[c].has_value()) << "column " << c;
        if (want[c]) {
            EXPECT_EQ(want[c]->min, got[c]->min) << "column " << c;
            EXPECT_EQ(want[c]->max, got[c]->max) << "column " << c;
        }
    }
}

// Dense views: a value is drawn at most one column before its own, never elsewhere and
// never invented; every column's extremes are drawn there or one column earlier.
void expectColumnsWithinOne(const std::vector<Point>& pts, const PointStore::Polyline& line,
                            double x0, double x1, int columns) {
    const auto [want, got] = columnExtremes(pts, line, x0, x1, columns);
    std::optional<PointStore::Range> allWant, allGot;
    for (int c = 0; c < columns; ++c) {
        std::optional<PointStore::Range> hull = want[c];
        if (c + 1 < columns && want[c + 1]) {
            widenTo(hull, want[c + 1]->min);
            widenTo(hull, want[c + 1]->max);
        }
        if (got[c]) {
            ASSERT_TRUE(hull) << "line in column " << c << " without points near";
            EXPECT_GE(got[c]->min, hull->min) << "column " << c;
            EXPECT_LE(got[c]->max, hull->max) << "column " << c;
            widenTo(allGot, got[c]->min);
            widenTo(allGot, got[c]->max);
        }
        if (want[c]) {
            std::optional<PointStore::Range> drawn = got[c];
            if (c > 0 && got[c - 1]) {
                widenTo(drawn, got[c - 1]->min);
                widenTo(drawn, got[c - 1]->max);
            }
            ASSERT_TRUE(drawn) << "points of column " << c << " not drawn";
            EXPECT_LE(drawn->min, want[c]->min) << "column " << c;
            EXPECT_GE(drawn->max, want[c]->max) << "column " << c;
            widenTo(allWant, want[c]->min);
            widenTo(allWant, want[c]->max);
        }
    }
    ASSERT_TRUE(allWant && allGot);
    EXPECT_EQ(allWant->min, allGot->min);
    EXPECT_EQ(allWant->max, allGot->max);
}

TEST(PointStore, KeepsArrivalOrderAcrossChunkBoundaries) {
    const std::size_t C = PointStore::ChunkPoints;
    for (std::size_t n : {std::size_t{0}, std::size_t{1}, C - 1, C, C + 1, 3 * C + 17}) {
        SCOPED_TRACE(n);
        PointStore store;
        const auto pts = fill(store, n, 7);
        ASSERT_EQ(store.size(), n);
        std::vector<Point> seen;
        store.forEach([&](std::int64_t x, float y) { seen.push_back({x, y}); });
        EXPECT_EQ(seen, pts);
        for (std::size_t i = 0; i < n; i += 97)
            EXPECT_EQ(store.at(i), pts[i]);
        if (n > 0) {
            EXPECT_EQ(store.last(), pts.back());
            EXPECT_EQ(store.firstX(), pts.front().x);
            EXPECT_EQ(store.lastX(), pts.back().x);
        }
        EXPECT_EQ(store.runCount(), n > 0 ? 1 : 0);
    }
}

TEST(PointStore, MinMaxAndStepReadingMatchBruteForceOverRandomRanges) {
    PointStore store;
    const auto pts = fill(store, 50000, 11);
    const std::int64_t lo = pts.front().x - 100;
    const std::int64_t hi = pts.back().x + 100;
    std::mt19937 rng(3);
    std::uniform_int_distribution<std::int64_t> pos(lo, hi);
    std::uniform_int_distribution<std::int64_t> shortLen(0, 400);
    for (int i = 0; i < 3000; ++i) {
        std::int64_t a = pos(rng);
        std::int64_t b = (i % 2) ? a + shortLen(rng) : pos(rng); // short and long ranges
        if (b < a)
            std::swap(a, b);
        const auto want = bruteMinMax(pts, a, b);
        const auto got = store.minMax(a, b);
        ASSERT_EQ(want.has_value(), got.has_value()) << a << ".." << b;
        if (want) {
            ASSERT_EQ(want->min, got->min) << a << ".." << b;
            ASSERT_EQ(want->max, got->max) << a << ".." << b;
        }
        // The latest point at or before a: the reading a step trace shows there.
        const auto it = std::upper_bound(pts.begin(), pts.end(), a,
                                         [](std::int64_t x, const Point& p) { return x < p.x; });
        const auto at = store.pointAtOrBefore(a);
        if (it == pts.begin()) {
            EXPECT_FALSE(at.has_value());
        } else {
            EXPECT_EQ(at, *(it - 1));
        }
    }
    const auto all = store.valueRange();
    const auto brute = bruteMinMax(pts, lo, hi);
    ASSERT_TRUE(all && brute);
    EXPECT_EQ(all->min, brute->min);
    EXPECT_EQ(all->max, brute->max);
}

struct DecimateCase {
    const char* name;
    std::size_t points;
    int maxStep;
    double from; // view, as fractions of the recorded time span
    double to;
    int columns;
    bool exact; // few points a column: placed exactly
    std::size_t gapEvery = 0;
};

void PrintTo(const DecimateCase& c, std::ostream* os) {
    *os << c.name;
}

class PointStoreDecimate : public ::testing::TestWithParam<DecimateCase> {};

TEST_P(PointStoreDecimate, EveryColumnKeepsItsExtremes) {
    const DecimateCase& tc = GetParam();
    PointStore store;
    const auto pts = fill(store, tc.points, 5, tc.maxStep, tc.gapEvery);
    const double span = static_cast<double>(pts.back().x - pts.front().x);
    const double x0 = static_cast<double>(pts.front().x) + tc.from * span;
    const double x1 = static_cast<double>(pts.front().x) + tc.to * span;
    std::vector<PointStore::Polyline> out;
    store.decimate(x0, x1, tc.columns, out);
    ASSERT_EQ(out.size(), 1u);
    ASSERT_LE(out[0].size(), 4u * tc.columns + 2);
    if (tc.exact)
        expectColumnsExact(pts, out[0], x0, x1, tc.columns);
    else
        expectColumnsWithinOne(pts, out[0], x0, x1, tc.columns);
    // X never goes back along a polyline.
    EXPECT_TRUE(std::is_sorted(out[0].begin(), out[0].end(),
                               [](const Point& a, const Point& b) { return a.x < b.x; }));
}

INSTANTIATE_TEST_SUITE_P(
    Views, PointStoreDecimate,
    ::testing::Values(DecimateCase{"whole_dense", 400000, 40, -0.01, 1.01, 1600, false},
                      DecimateCase{"very_dense", 400000, 40, 0.0, 1.0, 60, false},
                      DecimateCase{"middle_exact", 200000, 40, 0.3, 0.37, 700, true},
                      DecimateCase{"few_points_raw", 2000, 40, 0.0, 1.0, 1600, true},
                      DecimateCase{"fractional_columns", 100000, 3, 0.1, 0.9, 333, false},
                      DecimateCase{"bursty", 100000, 2000, 0.0, 1.0, 800, false},
                      DecimateCase{"dense_with_pauses", 400000, 10, 0.0, 1.0, 1200, false, 3001}),
    [](const auto& info) { return info.param.name; });

TEST(PointStore, DecimationKeepsLampEdgesVertical) {
    // A lamp: two points at one X per change, levels 57 (off) and 58 (on).
    for (int edges : {12, 40000}) { // sparse: drawn as is; dense: per column
        SCOPED_TRACE(edges);
        PointStore store;
        std::vector<Point> pts;
        bool on = false;
        std::int64_t x = 0;
        for (int i = 0; i < edges; ++i) {
            x += 500 + (i * 37) % 900;
            const float from = on ? 58.0f : 57.0f;
            on = !on;
            const float to = on ? 58.0f : 57.0f;
            for (float y : {from, to}) {
                store.append(x, y);
                pts.push_back({x, y});
            }
        }
        const double x0 = 0.0, x1 = static_cast<double>(x) + 1000.0;
        const int columns = 1000;
        std::vector<PointStore::Polyline> out;
        store.decimate(x0, x1, columns, out);
        ASSERT_EQ(out.size(), 1u);
        const auto& line = out[0];
        if (edges == 12)
            expectColumnsExact(pts, line, x0, x1, columns);
        else
            expectColumnsWithinOne(pts, line, x0, x1, columns);
        // Each step is a vertical edge: no output segment joins two levels at two times.
        for (std::size_t i = 1; i < line.size(); ++i) {
            if (line[i].y != line[i - 1].y) {
                EXPECT_EQ(line[i].x, line[i - 1].x) << "slanted edge at " << line[i].x;
            }
        }
        if (edges == 12) {
            EXPECT_EQ(line, pts); // few points come through exactly
        }
    }
}

TEST(PointStore, TimeGoingBackOpensAnotherRun) {
    PointStore store;
    for (std::int64_t x : {100, 200, 300})
        store.append(x, static_cast<float>(x));
    store.append(50, -1.0f); // earlier than the last point
    store.append(60, -2.0f);
    EXPECT_EQ(store.runCount(), 2);
    EXPECT_EQ(store.at(3), (Point{50, -1.0f}));
    EXPECT_EQ(store.at(4), (Point{60, -2.0f}));
    const auto r = store.minMax(0, 1000);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->min, -2.0f);
    EXPECT_EQ(r->max, 300.0f);
    // The later run wins where both have a point at or before x.
    EXPECT_EQ(store.pointAtOrBefore(250), (Point{60, -2.0f}));
    EXPECT_EQ(store.pointAtOrBefore(55), (Point{50, -1.0f}));
    std::vector<PointStore::Polyline> out;
    store.decimate(0, 1000, 100, out);
    ASSERT_EQ(out.size(), 2u); // drawn apart: no line back in time
    EXPECT_EQ(out[0].size(), 3u);
    EXPECT_EQ(out[1].size(), 2u);
    // A gap wider than a chunk's 32-bit offset inside one chunk opens a run too.
    store.append(60 + (std::int64_t{1} << 33), 1.0f);
    EXPECT_EQ(store.runCount(), 3);
    EXPECT_EQ(store.last(), (Point{60 + (std::int64_t{1} << 33), 1.0f}));
}

TEST(PointStore, RefusesNonNumbersAndClearsToEmpty) {
    PointStore store;
    EXPECT_FALSE(store.append(1, std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FALSE(store.append(1, std::numeric_limits<float>::infinity()));
    EXPECT_TRUE(store.empty());
    fill(store, 10000, 1);
    store.clear();
    EXPECT_TRUE(store.empty());
    EXPECT_FALSE(store.valueRange());
    EXPECT_FALSE(store.minMax(0, 1 << 30));
    std::vector<PointStore::Polyline> out(3);
    store.decimate(0, 1 << 30, 100, out);
    EXPECT_TRUE(out.empty());
    store.append(5, 1.0f);
    EXPECT_EQ(store.at(0), (Point{5, 1.0f}));
}

TEST(PointStore, StaysUnderSixteenBytesPerPointWithItsSummary) {
    PointStore store;
    fill(store, 300000, 2);
    const double perPoint = static_cast<double>(store.bytesUsed()) / store.size();
    EXPECT_LE(perPoint, 16.0);
    RecordProperty("bytes_per_point", std::to_string(perPoint));
}

} // namespace
