#pragma once

#include "pty_device.h"
#include "rng.h"
#include "sim_config.h"
#include "transcript.h"
#include "unit_line.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <atomic>
#include <cstdint>
#include <deque>
#include <mutex>

namespace unitsim {

// The serving thread's side of UnitSimulator: the device, the line timing and the loop.
class SimulatorServer {
public:
    explicit SimulatorServer(const SimConfig& config);
    ~SimulatorServer();

    bool open(QString* error);
    void run(); // the thread body; returns on stop, hang-up or a device error
    void requestStop();
    void closeDevice();

    QString devicePath() const { return m_pty.slavePath(); }
    QString linkPath() const { return m_link.path(); }
    int finishedFd() const { return m_finishedFd; }
    QString failure() const;

    std::atomic<std::uint64_t> framesSent{0};
    std::atomic<std::uint64_t> bytesSent{0};
    std::atomic<std::uint64_t> bytesReceived{0};
    std::atomic<std::uint64_t> bytesDropped{0};
    std::atomic<std::uint64_t> bytesProcessed{0};
    std::atomic<bool> hungUp{false};

private:
    struct OutByte {
        std::uint8_t byte;
        bool frame;    // part of a stream frame (dropped when the stream stops)
        bool frameEnd; // last byte of a frame
        std::int64_t notBefore;
    };

    void processInput(std::int64_t now);
    void queueFrame(std::int64_t now);
    void enqueue(const QByteArray& bytes, bool frame, std::int64_t notBefore);
    void dropQueuedFrames();
    bool flushOutput(std::int64_t now);
    bool readInput(std::int64_t now);
    std::int64_t nextWake(std::int64_t now) const;
    void finish(const QString& why);

    const SimConfig m_config;
    const bool m_fast;
    const std::int64_t m_replyDelayNs;
    PtyDevice m_pty;
    PortLink m_link;
    Transcript m_transcript;
    int m_stopFd = -1;
    int m_finishedFd = -1;
    std::int64_t m_startNs = 0;
    std::int64_t m_hangupNs = 0;

    UnitLine m_line;
    Rng m_noiseRng;

    // Received bytes not yet taken in by the unit (it takes one per byte time).
    std::array<std::uint8_t, 256> m_in{};
    std::size_t m_inPos = 0;
    std::size_t m_inLen = 0;
    std::int64_t m_nextInputNs = 0;
    std::uint64_t m_processed = 0;

    // Bytes waiting for the line; bounded by MaxQueued.
    std::deque<OutByte> m_out;
    std::size_t m_frameBytesQueued = 0;
    std::int64_t m_nextSlotNs = 0;
    bool m_writeBlocked = false;

    std::int64_t m_nextFrameNs = 0;
    std::int64_t m_prevPeriodNs = 0;
    std::uint64_t m_framesQueued = 0;

    mutable std::mutex m_failureMutex;
    QString m_failure; // guarded by m_failureMutex
};

} // namespace unitsim
