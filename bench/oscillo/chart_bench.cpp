// Redraw speed of the oscillogram chart on a long recording, against the chart library's
// own line graph with its adaptive sampling, on the same data in the same run.
//
//   oscillo_chart_bench [points per series]      (default 1000000: about 9 h at 30 frames/s)
//
// Fills the 38 lines of the engine unit with every register selected, shaped like a
// drive, then times full redraws of an offscreen 1600x900 chart.
// For a profiler: OSC_BENCH_REDUCE=1 repeats only the reduction of the whole view;
// OSC_BENCH_PROFILE=whole (or =minute) repeats only our redraws of that view.

#include "ecu_drive.h"
#include "oscillo/osc_chart.h"
#include "oscillo/osc_recording.h"
#include "protocol/registers.h"

#include <qcustomplot.h>

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

struct Trace {
    int row = 0;
    OscSeries* series = nullptr;
    std::vector<PointStore::Point> points;
};

std::string fixed(double v, int decimals) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, decimals);
    return std::string(buf, r.ptr);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeReplots(QCustomPlot& plot, int runs) {
    std::vector<double> ms;
    for (int i = 0; i < runs + 2; ++i) {
        QElapsedTimer t;
        t.start();
        plot.replot(QCustomPlot::rpImmediateRefresh);
        if (i >= 2) // the first two warm caches and buffers
            ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    return median(ms);
}

// Frames of a stream: one every 33 ms or so, as the unit sends them.
std::vector<Trace> recordDrive(std::size_t frames, const std::vector<int>& rows) {
    EcuDrive drive(7);
    std::vector<Trace> traces(rows.size());
    std::vector<int> lampLevel(rows.size(), -1);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        traces[i].row = rows[i];
        traces[i].points.reserve(frames + frames / 8);
    }
    std::mt19937 jitter(3);
    std::uniform_int_distribution<int> gap(30, 36);
    std::int64_t t = 0;
    for (std::size_t f = 0; f < frames; ++f) {
        t += gap(jitter);
        drive.advance(t);
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const int row = rows[i];
            auto& pts = traces[i].points;
            if (RegisterTable[row].Kind == 1) {
                // A lamp row: its level pair 3k / 3k+1; a change is a vertical edge.
                const int base = 3 * (row - 1);
                const int level = base + (drive.lamp(row) ? 1 : 0);
                if (lampLevel[i] >= 0 && level != lampLevel[i])
                    pts.push_back({t, static_cast<float>(lampLevel[i])});
                pts.push_back({t, static_cast<float>(level)});
                lampLevel[i] = level;
            } else {
                pts.push_back({t, drive.value(row)});
            }
        }
    }
    return traces;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    std::size_t frames = 1000000;
    if (argc > 1)
        std::from_chars(argv[1], argv[1] + std::strlen(argv[1]), frames);
    constexpr int Width = 1600;
    constexpr int Height = 900;
    constexpr int Runs = 15;

    // The engine unit with every register selected, series as the rule makes them.
    OscRecording recording;
    const std::vector<int> rows = SelectEveryEcuSeries(recording);

    std::printf("generating %zu frames x %zu series ...\n", frames, rows.size());
    std::vector<Trace> traces = recordDrive(frames, rows);
    std::size_t total = 0;
    for (auto& tr : traces) {
        tr.series = static_cast<OscSeries*>(RegisterTable[tr.row].Series);
        total += tr.points.size();
    }

    // Append in stream order: every series gets its points of a frame before the next frame.
    QElapsedTimer appendTimer;
    appendTimer.start();
    {
        std::vector<std::size_t> next(traces.size(), 0);
        bool more = true;
        while (more) {
            more = false;
            for (std::size_t i = 0; i < traces.size(); ++i) {
                auto& pts = traces[i].points;
                std::size_t& k = next[i];
                if (k >= pts.size())
                    continue;
                // A lamp edge is two points of one frame.
                const std::int64_t x = pts[k].x;
                do {
                    traces[i].series->addPoint(static_cast<double>(pts[k].x), pts[k].y);
                    ++k;
                } while (k < pts.size() && pts[k].x == x);
                more = true;
            }
        }
    }
    const double appendNs = static_cast<double>(appendTimer.nsecsElapsed()) / total;
    std::size_t bytes = 0;
    for (const auto& s : recording.series())
        bytes += s->points().bytesUsed();
    const std::int64_t lastX = *recording.series().front()->points().lastX();

    {
        std::vector<PointStore::Reduction> lines;
        std::vector<double> ms;
        std::size_t pts = 0;
        const int reduceRuns = qEnvironmentVariableIsSet("OSC_BENCH_REDUCE") ? 300 : Runs;
        for (int i = 0; i < reduceRuns; ++i) {
            QElapsedTimer t;
            t.start();
            pts = 0;
            for (const auto& s : recording.series()) {
                s->points().reduce(0.0, static_cast<double>(lastX), 1550, lines);
                for (auto& l : lines)
                    pts += l.points.size() + l.columns.size();
            }
            ms.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        }
        std::printf("reduce only, whole      : %s ms (%zu points/columns)\n",
                    fixed(median(ms), 2).c_str(), pts);
    }
    if (qEnvironmentVariableIsSet("OSC_BENCH_REDUCE"))
        return 0;

    // Our chart.
    OscChart ours(recording);
    ours.resize(Width, Height);
    ours.show();
    QApplication::processEvents();

    if (qEnvironmentVariableIsSet("OSC_BENCH_PROFILE")) { // ours alone, for a profiler
        const bool minute = qgetenv("OSC_BENCH_PROFILE") == "minute";
        recording.setTimeRange(minute ? static_cast<double>(lastX - 60000) : 0.0,
                               static_cast<double>(lastX));
        std::printf("profile: %s ms\n", fixed(timeReplots(ours, 300), 2).c_str());
        return 0;
    }

    // The library's own graphs, with adaptive sampling (on by default), same axes and pens.
    QCustomPlot stock;
    stock.resize(Width, Height);
    stock.yAxis->setRange(-150, 150);
    stock.yAxis2->setRange(0, 12);
    QElapsedTimer stockAppend;
    double stockAddNs = 0.0;
    for (std::size_t i = 0; i < traces.size(); ++i) {
        const OscSeries& s = *traces[i].series;
        QCPGraph* g =
            stock.addGraph(stock.xAxis, s.axis() == OscAxis::Left ? stock.yAxis : stock.yAxis2);
        QPen pen(QColor::fromRgb(s.colour()), 1);
        pen.setCosmetic(true);
        g->setPen(pen);
        g->setAntialiased(false);
        g->setAdaptiveSampling(true);
        if (i == 0) { // the library's per-point append, for comparison
            stockAppend.start();
            for (const auto& p : traces[i].points)
                g->addData(static_cast<double>(p.x), p.y);
            stockAddNs = static_cast<double>(stockAppend.nsecsElapsed()) /
                         static_cast<double>(traces[i].points.size());
        } else {
            QVector<QCPGraphData> data;
            data.reserve(static_cast<qsizetype>(traces[i].points.size()));
            for (const auto& p : traces[i].points)
                data.append(QCPGraphData(static_cast<double>(p.x), p.y));
            g->data()->set(data, true);
        }
        traces[i].points.clear();
        traces[i].points.shrink_to_fit();
    }
    stock.show();
    QApplication::processEvents();

    struct View {
        const char* name;
        double lo, hi;
    };
    const View views[] = {
        {"whole recording", 0.0, static_cast<double>(lastX)},
        {"last minute", static_cast<double>(lastX - 60000), static_cast<double>(lastX)}};
    std::printf("\n%zu series, %zu points (%s h of stream), chart %dx%d, median of %d\n",
                recording.series().size(), total, fixed(lastX / 3.6e6, 2).c_str(), Width, Height,
                Runs);
    std::printf("append (our series)      : %s ns/point\n", fixed(appendNs, 1).c_str());
    std::printf("append (library addData) : %s ns/point\n", fixed(stockAddNs, 1).c_str());
    std::printf("memory (points + summary): %s bytes/point\n",
                fixed(static_cast<double>(bytes) / total, 2).c_str());
    {
        OscRecording none;
        OscChart empty(none);
        empty.resize(Width, Height);
        empty.show();
        QApplication::processEvents();
        std::printf("redraw, empty chart     : %s ms\n",
                    fixed(timeReplots(empty, Runs), 2).c_str());
    }
    for (const View& v : views) {
        recording.setTimeRange(v.lo, v.hi);
        stock.xAxis->setRange(v.lo, v.hi);
        const double a = timeReplots(ours, Runs);
        const double b = timeReplots(stock, Runs);
        std::printf("redraw, %-16s: ours %s ms, library adaptive sampling %s ms, ratio %sx\n",
                    v.name, fixed(a, 2).c_str(), fixed(b, 2).c_str(), fixed(b / a, 1).c_str());
    }
    return 0;
}
