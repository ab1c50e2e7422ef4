// How much the simulator costs and delivers: frames per second in fast mode (as a load
// generator), and the CPU it takes to keep a 9600 baud line busy in paced mode.

#include "unitsim/unit_simulator.h"

#include <benchmark/benchmark.h>

#include <QFile>

#include <chrono>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Eight registers: frames of 10 bytes.
const QByteArray Request = QByteArray::fromHex("FFFFEF5A085A095A0A5A0C5A0D5A0F5A105A11");

class Reader {
public:
    explicit Reader(const QString& device) {
        m_fd = ::open(QFile::encodeName(device).constData(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    }
    ~Reader() {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    bool ok() const { return m_fd >= 0; }
    void send(const QByteArray& b) { (void)::write(m_fd, b.constData(), b.size()); }
    // Reads until count bytes came; returns false after a second without any.
    bool read(std::size_t count) {
        char buf[4096];
        std::size_t got = 0;
        while (got < count) {
            pollfd p{m_fd, POLLIN, 0};
            if (poll(&p, 1, 1000) <= 0)
                return false;
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n <= 0)
                return false;
            got += static_cast<std::size_t>(n);
        }
        return true;
    }

private:
    int m_fd = -1;
};

unitsim::SimConfig config(bool fast) {
    unitsim::SimConfig c = unitsim::SimConfig::defaults();
    c.com = 0;
    c.fast = fast;
    return c;
}

double cpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Starts the simulator and the engine unit's stream of the eight registers; false,
// with the run marked as failed, when either does not come.
bool startStream(benchmark::State& state, unitsim::UnitSimulator& sim,
                 std::optional<Reader>& reader) {
    if (!sim.start()) {
        state.SkipWithError("cannot start the simulator");
        return false;
    }
    reader.emplace(sim.devicePath());
    reader->send(Request);
    if (!reader->ok() || !reader->read(17)) {
        state.SkipWithError("no answer");
        return false;
    }
    reader->send(QByteArray::fromHex("F0"));
    return true;
}

void FastModeFrames(benchmark::State& state) {
    unitsim::UnitSimulator sim(config(true));
    std::optional<Reader> reader;
    if (!startStream(state, sim, reader))
        return;
    const std::uint64_t before = sim.framesSent();
    for (auto _ : state) {
        if (!reader->read(10 * 1000)) {
            state.SkipWithError("stream stopped");
            return;
        }
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(sim.framesSent() - before),
                                                    benchmark::Counter::kIsRate);
}
BENCHMARK(FastModeFrames)->Unit(benchmark::kMillisecond)->UseRealTime();

// One iteration is one second of a paced stream; the figure is the CPU time of the
// whole process (the reader sleeps in poll) per second of line time.
void PacedModeCpu(benchmark::State& state) {
    unitsim::UnitSimulator sim(config(false));
    std::optional<Reader> reader;
    if (!startStream(state, sim, reader))
        return;
    double cpu = 0;
    std::uint64_t frames = 0;
    for (auto _ : state) {
        const double c0 = cpuSeconds();
        const std::uint64_t f0 = sim.framesSent();
        if (!reader->read(9600 / 10)) {
            state.SkipWithError("stream stopped");
            return;
        }
        cpu += cpuSeconds() - c0;
        frames += sim.framesSent() - f0;
    }
    state.counters["cpu%"] = 100.0 * cpu / static_cast<double>(state.iterations());
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}
BENCHMARK(PacedModeCpu)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);

} // namespace

BENCHMARK_MAIN();
