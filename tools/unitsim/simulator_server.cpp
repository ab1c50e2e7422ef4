#include "simulator_server.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <limits>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace unitsim {

namespace {

constexpr std::int64_t ByteNs = 1041667;        // 10 bits at 9600 baud
constexpr std::int64_t CatchUpNs = 100'000'000; // lateness made up for; more is lost
constexpr std::int64_t FrameLeadNs = 3'000'000; // a frame is built this long before its start
constexpr std::size_t MaxQueued = 4096;         // bytes waiting for the line, at most
constexpr int OverrunBytes = 4000;              // unread by the program: the line loses bytes
constexpr std::size_t WriteBatch = 512;
constexpr std::int64_t Never = std::numeric_limits<std::int64_t>::max();

std::int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void signalFd(int fd) {
    const std::uint64_t one = 1;
    while (write(fd, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

} // namespace

SimulatorServer::SimulatorServer(const SimConfig& config)
    : m_config(config), m_fast(config.fast),
      m_replyDelayNs(config.fast ? 0 : std::int64_t{config.replyDelayMs} * 1'000'000),
      m_line(config), m_noiseRng(config.seed ^ 0x4E4F495345ull) {}

SimulatorServer::~SimulatorServer() {
    closeDevice();
    if (m_stopFd >= 0)
        ::close(m_stopFd);
    if (m_finishedFd >= 0)
        ::close(m_finishedFd);
}

bool SimulatorServer::open(QString* error) {
    m_stopFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    m_finishedFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_stopFd < 0 || m_finishedFd < 0) {
        *error = QStringLiteral("eventfd: %1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    if (!m_pty.open(error))
        return false;
    if (m_config.com > 0) {
        const QString dir = m_config.portsDir.isEmpty() ? defaultPortsDir() : m_config.portsDir;
        if (!m_link.create(dir, m_config.com, m_pty.slavePath(), error))
            return false;
    }
    if (!m_config.transcript.isEmpty() && !m_transcript.open(m_config.transcript, error))
        return false;
    m_startNs = nowNs();
    m_hangupNs = m_config.hangupAfterSeconds > 0
                     ? m_startNs + static_cast<std::int64_t>(m_config.hangupAfterSeconds * 1e9)
                     : Never;
    return true;
}

void SimulatorServer::closeDevice() {
    m_link.remove();
    m_pty.close();
    m_transcript.close();
}

void SimulatorServer::requestStop() {
    signalFd(m_stopFd);
}

QString SimulatorServer::failure() const {
    std::lock_guard lock(m_failureMutex);
    return m_failure;
}

void SimulatorServer::finish(const QString& why) {
    {
        std::lock_guard lock(m_failureMutex);
        m_failure = why;
    }
    signalFd(m_finishedFd);
}

void SimulatorServer::run() {
    for (;;) {
        std::int64_t now = nowNs();
        if (now >= m_hangupNs) {
            // As if the cable were pulled: the program's side hangs up (POLLHUP, EIO).
            closeDevice();
            hungUp = true;
            finish(QString());
            return;
        }
        processInput(now);
        queueFrame(now);
        if (!flushOutput(now)) {
            finish(QStringLiteral("writing to the device failed: %1")
                       .arg(QString::fromLocal8Bit(strerror(errno))));
            return;
        }

        bytesProcessed = m_processed; // only now: the answers to them are on the line

        const std::int64_t wake = nextWake(now);
        pollfd fds[2] = {};
        fds[0].fd = m_pty.masterFd();
        fds[0].events =
            static_cast<short>((m_inPos == m_inLen ? POLLIN : 0) | (m_writeBlocked ? POLLOUT : 0));
        fds[1].fd = m_stopFd;
        fds[1].events = POLLIN;
        timespec timeout{};
        timespec* timeoutPtr = nullptr;
        if (wake != Never) {
            const std::int64_t wait = std::max<std::int64_t>(0, wake - now);
            timeout.tv_sec = static_cast<time_t>(wait / 1'000'000'000);
            timeout.tv_nsec = static_cast<long>(wait % 1'000'000'000);
            timeoutPtr = &timeout;
        }
        const int ready = ppoll(fds, 2, timeoutPtr, nullptr);
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            finish(QStringLiteral("poll failed: %1").arg(QString::fromLocal8Bit(strerror(errno))));
            return;
        }
        if (fds[1].revents & POLLIN)
            return;
        // We hold a slave descriptor ourselves, so the master never hangs up while we run;
        // if it does anyway, end rather than spin on it.
        if (fds[0].revents & (POLLERR | POLLHUP | POLLNVAL)) {
            finish(QStringLiteral("the pseudo-terminal hung up"));
            return;
        }
        now = nowNs();
        if (fds[0].revents & POLLOUT)
            m_writeBlocked = false;
        if ((fds[0].revents & POLLIN) && !readInput(now)) {
            finish(QStringLiteral("reading from the device failed: %1")
                       .arg(QString::fromLocal8Bit(strerror(errno))));
            return;
        }
    }
}

bool SimulatorServer::readInput(std::int64_t now) {
    const ssize_t n = read(m_pty.masterFd(), m_in.data(), m_in.size());
    if (n < 0)
        return errno == EAGAIN || errno == EINTR;
    if (n == 0)
        return true;
    bytesReceived += static_cast<std::uint64_t>(n);
    m_transcript.write(now - m_startNs, m_in.data(), static_cast<std::size_t>(n));
    m_inPos = 0;
    m_inLen = static_cast<std::size_t>(n);
    m_nextInputNs = std::max(m_nextInputNs, now);
    return true;
}

void SimulatorServer::processInput(std::int64_t now) {
    QByteArray reply;
    while (m_inPos < m_inLen) {
        // On a real line the bytes arrive one per byte time, however fast they were written.
        if (!m_fast && m_nextInputNs > now)
            break;
        const std::int64_t at = m_fast ? now : m_nextInputNs;
        const std::uint8_t b = m_in[m_inPos++];
        const bool wasStreaming = m_line.streaming();
        reply.clear();
        if (m_line.receive(b, &reply))
            dropQueuedFrames();
        if (!wasStreaming && m_line.streaming()) {
            m_nextFrameNs = at + m_replyDelayNs;
            m_prevPeriodNs = 0;
        }
        enqueue(reply, false, at + m_replyDelayNs);
        if (!m_fast)
            m_nextInputNs += ByteNs;
        ++m_processed;
    }
    if (m_inPos == m_inLen)
        m_inPos = m_inLen = 0;
}

void SimulatorServer::queueFrame(std::int64_t now) {
    if (!m_line.streaming() || m_frameBytesQueued > 0)
        return;
    const bool timed = !m_fast || m_config.framesPerSecond > 0;
    if (timed && now < m_nextFrameNs - FrameLeadNs)
        return;

    // The models run on line time: each frame moves them on by the previous frame's period,
    // so a scenario plays the same in fast and in paced mode.
    const QByteArray frame = m_line.nextFrame(static_cast<double>(m_prevPeriodNs) / 1e6);
    std::int64_t period = static_cast<std::int64_t>(frame.size()) * ByteNs;
    if (m_config.framesPerSecond > 0)
        period = std::max(period, static_cast<std::int64_t>(1e9 / m_config.framesPerSecond));
    const std::int64_t start = timed ? std::max(m_nextFrameNs, now - CatchUpNs) : now;
    m_nextFrameNs = start + period;
    m_prevPeriodNs = period;
    enqueue(frame, true, start);
    ++m_framesQueued;
    if (m_config.silenceAfterFrames > 0 && m_framesQueued >= m_config.silenceAfterFrames)
        m_line.mute();
}

void SimulatorServer::enqueue(const QByteArray& bytes, bool frame, std::int64_t notBefore) {
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        if (m_out.size() >= MaxQueued) {
            // Flooded with requests faster than the line can answer: the unit drops answers.
            bytesDropped += static_cast<std::uint64_t>(bytes.size() - i);
            return;
        }
        auto b = static_cast<std::uint8_t>(bytes[i]);
        const bool last = frame && i + 1 == bytes.size();
        if (m_config.noise > 0 && m_noiseRng.uniform() < m_config.noise) {
            if (m_noiseRng.uniform() < 0.5) {
                b = m_noiseRng.byte(); // garbled on the way
            } else {
                m_out.push_back({m_noiseRng.byte(), frame, false, notBefore}); // a stray byte
                if (frame)
                    ++m_frameBytesQueued;
            }
        }
        m_out.push_back({b, frame, last, notBefore});
        if (frame)
            ++m_frameBytesQueued;
    }
}

void SimulatorServer::dropQueuedFrames() {
    // The stream stops at the byte on the line; the rest of the frame is never sent.
    std::erase_if(m_out, [](const OutByte& o) { return o.frame; });
    m_frameBytesQueued = 0;
}

bool SimulatorServer::flushOutput(std::int64_t now) {
    if (m_writeBlocked || m_out.empty())
        return true;
    std::array<std::uint8_t, WriteBatch> buf{};
    std::array<std::int64_t, WriteBatch> slotTimes{};
    std::size_t count = 0;
    std::int64_t slot = m_nextSlotNs;
    for (const OutByte& o : m_out) {
        if (count == WriteBatch)
            break;
        std::int64_t at = o.notBefore;
        if (!m_fast) {
            at = std::max({slot, o.notBefore, now - CatchUpNs});
            slot = at + ByteNs;
        }
        if (at > now)
            break;
        buf[count] = o.byte;
        slotTimes[count] = at;
        ++count;
    }
    if (count == 0)
        return true;

    std::size_t written = 0;
    if (!m_fast && m_out.front().frame && m_pty.unreadByProgram() >= OverrunBytes) {
        // Nobody reads (the program closed the port or stalls): on a real line the stream
        // is simply lost, not stored up for later. Answers still go out: they are few, and
        // the program that just opened the port again wants them.
        while (written < count && m_out[written].frame)
            ++written;
        bytesDropped += written;
    } else {
        const ssize_t n = write(m_pty.masterFd(), buf.data(), count);
        if (n < 0) {
            if (errno == EAGAIN) {
                m_writeBlocked = true;
                return true;
            }
            return errno == EINTR;
        }
        written = static_cast<std::size_t>(n);
        if (written < count)
            m_writeBlocked = true;
        bytesSent += written;
    }
    for (std::size_t i = 0; i < written; ++i) {
        const OutByte& o = m_out.front();
        if (o.frame)
            --m_frameBytesQueued;
        if (o.frameEnd)
            ++framesSent;
        m_out.pop_front();
    }
    if (!m_fast && written > 0)
        m_nextSlotNs = slotTimes[written - 1] + ByteNs;
    return true;
}

std::int64_t SimulatorServer::nextWake(std::int64_t now) const {
    std::int64_t wake = m_hangupNs;
    if (m_inPos < m_inLen)
        wake = std::min(wake, m_fast ? now : m_nextInputNs);
    if (!m_writeBlocked && !m_out.empty()) {
        const OutByte& o = m_out.front();
        wake = std::min(wake, m_fast ? o.notBefore : std::max(m_nextSlotNs, o.notBefore));
    }
    if (m_line.streaming() && m_frameBytesQueued == 0) {
        const bool timed = !m_fast || m_config.framesPerSecond > 0;
        wake = std::min(wake, timed ? m_nextFrameNs - FrameLeadNs : now);
    }
    return wake;
}

} // namespace unitsim
