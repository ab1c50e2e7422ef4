// The link engine over the real serial component and the simulator at the real line
// pace (9600 baud, reply delays):
//   (a) delay from a frame's last byte arriving to its conversion, median / p99;
//   (b) the whole start-up (both units, every register, active-test probe, fault
//       reads).
// Each is run twice: with the engine's pump (a wait ends as soon as bytes arrive)
// and with a baseline pump that polls at fixed intervals (every pause runs to its
// end), the way the program waited before.
//
//     build/bench/link/link_bench [stream seconds, default 30] [start-up runs, default 2]

#include "diagnosis/fault_reader.h"
#include "link/qt_event_pump.h"
#include "protocol/active_tests.h"
#include "protocol/registers.h"
#include "support/live_rig.h"

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr int Com = 118;

std::int64_t steadyUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Polling at fixed intervals: arrivals do not end a pause.
class FixedIntervalPump : public EventPump {
public:
    void processPending() override { m_inner.processPending(); }
    void pause(int ms) override {
        const std::int64_t end = m_inner.nowMs() + ms;
        for (std::int64_t now = m_inner.nowMs(); now < end; now = m_inner.nowMs())
            m_inner.pause(int(end - now));
    }
    void wake() override {}
    std::int64_t nowMs() override { return m_inner.nowMs(); }
    QDateTime wallClock() override { return m_inner.wallClock(); }

private:
    QtEventPump m_inner;
};

// Notes when each frame's conversion begins (its first row), against the arrival
// of the frame's last byte, which the engine has just turned into OscTime.
class TimingConverters : public Converters {
public:
    void convert(int& row, bool, bool) override {
        const LinkEngine& e = *engine;
        // Frames only: the closing pass after the stream is no frame.
        if (row != m_firstRow || !m_recording || e.LinkState != ssStreaming)
            return;
        const std::int64_t arrivedMs =
            e.StreamStart[e.CurrentModule] + e.OscTime - e.TimeOffset[e.CurrentModule];
        delaysUs.push_back(steadyUs() - arrivedMs * 1000);
    }
    void start(int firstRow) {
        m_firstRow = firstRow;
        m_recording = true;
        delaysUs.clear();
    }
    void stop() { m_recording = false; }
    std::vector<std::int64_t> delaysUs;
    const LinkEngine* engine = nullptr; // set once the engine exists

private:
    int m_firstRow = 1;
    bool m_recording = false;
};

// The live rig with the timing converters and the fault reader of the start-up.
struct Rig {
    explicit Rig(bool earlyWake)
        : live(Com, {.pump = earlyWake ? nullptr : &fixedInterval, .converters = &converters}) {
        converters.engine = live.engine.get();
        faults = std::make_unique<FaultCodeReader>(*live.engine, report,
                                                   live.home.filePath("report.rtf"));
        live.engine->setFaults(faults.get());
    }
    // Starts the simulator at the real line pace, with no active tests on the AT side.
    bool startSimulator() {
        unitsim::SimConfig config = unitsim::SimConfig::defaults();
        config.at.tests.reset();
        QString error;
        if (live.startSimulator(config, &error))
            return true;
        std::fprintf(stderr, "simulator: %s\n", qPrintable(error));
        return false;
    }
    FixedIntervalPump fixedInterval;
    TimingConverters converters;
    LiveRig live;
    ColouredLines report;
    std::unique_ptr<FaultCodeReader> faults;
};

double percentile(std::vector<std::int64_t> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const auto i = std::min(v.size() - 1, std::size_t(p * double(v.size() - 1) + 0.5));
    return double(v[i]) / 1000.0;
}

bool benchStartUp(bool earlyWake, int runs) {
    for (int run = 1; run <= runs; ++run) {
        Rig rig(earlyWake);
        if (!rig.startSimulator())
            return false;
        const std::int64_t t0 = steadyUs();
        rig.live.engine->Initial();
        const double seconds = double(steadyUs() - t0) / 1e6;
        int supported = 0;
        for (int r = 1; r <= RegisterCount; ++r)
            supported += RegisterTable[r].Selected ? 1 : 0;
        int tests = 0;
        for (int t = 1; t <= ActiveCount; ++t)
            tests += ActiveTable[t].Available;
        std::printf("  %-24s run %d: %6.2f s  (%d registers, %d active tests, %lld fault-report "
                    "lines, %lld warnings)\n",
                    earlyWake ? "waits end on arrival" : "fixed-interval polling", run, seconds,
                    supported, tests, static_cast<long long>(rig.report.count()),
                    static_cast<long long>(rig.live.prompts.warnings.size()));
    }
    return true;
}

bool benchStream(bool earlyWake, int seconds) {
    Rig rig(earlyWake);
    if (!rig.startSimulator())
        return false;
    rig.live.component.setActive(true);
    rig.live.engine->LinkState = ssBusy;
    if (!rig.live.engine->Set_Module(ModuleEcu)) {
        std::fprintf(stderr, "the simulated ECU did not answer\n");
        return false;
    }
    for (int r = 1; r <= 48; ++r)
        RegisterTable[r].Selected = true;
    rig.live.engine->Set_Packets();
    rig.live.engine->LinkState = ssIdle;

    // Stops the stream from inside it after the given time.
    QTimer::singleShot(seconds * 1000 + 270, [&] { rig.live.engine->StopDiag(); });
    rig.converters.start(1);
    const double cpu0 = threadCpuSeconds();
    const std::int64_t t0 = steadyUs();
    rig.live.engine->StartDiag();
    const double wall = double(steadyUs() - t0) / 1e6;
    const double cpu = threadCpuSeconds() - cpu0;
    rig.converters.stop();

    const auto& d = rig.converters.delaysUs;
    std::printf("  %-24s %zu frames of %d registers in %.1f s (simulator sent %llu): "
                "delay median %.2f ms, p99 %.2f ms, max %.2f ms; UI thread CPU %.1f %%\n",
                earlyWake ? "waits end on arrival" : "fixed-interval polling", d.size(),
                int(rig.live.engine->CalcLength[ModuleEcu]), wall,
                static_cast<unsigned long long>(rig.live.sim->framesSent()), percentile(d, 0.5),
                percentile(d, 0.99), percentile(d, 1.0), 100.0 * cpu / wall);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int streamSeconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const int startUpRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;

    std::printf("(a) frame delay, last byte arrival to conversion (arrival stamps are whole ms: "
                "figures include up to 1 ms of rounding)\n");
    if (!benchStream(true, streamSeconds) || !benchStream(false, streamSeconds))
        return 1;
    std::printf("(b) whole start-up: both units, every register, active-test probe, fault "
                "reads\n");
    if (!benchStartUp(true, startUpRuns) || !benchStartUp(false, 1))
        return 1;
    return 0;
}
