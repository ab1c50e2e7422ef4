#include "serial/comm_thread.h"

#include "serial/dore_dor_iror.h"
#include "serial/edur_ive_rada.h"
#include "serial/monotonic_ms.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <system_error>

#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

// Modem status and line error bits as the owner's handlers know them.
constexpr std::uint32_t kCtsOn = 0x0010;
constexpr std::uint32_t kDsrOn = 0x0020;
constexpr std::uint32_t kRingOn = 0x0040;
constexpr std::uint32_t kRlsdOn = 0x0080;
constexpr std::uint32_t kErrRxOver = 0x0001;
constexpr std::uint32_t kErrOverrun = 0x0002;
constexpr std::uint32_t kErrParity = 0x0004;
constexpr std::uint32_t kErrFrame = 0x0008;
constexpr std::uint32_t kErrBreak = 0x0010;

// Line states have no pollable event on Linux: they are looked at this often,
// and only when the owner asked for line events and the device has modem lines.
constexpr int kLineWatchMs = 50;
// Wake-ups that bring nothing in a row before the device counts as broken.
constexpr int kMaxIdleWakes = 100;
// Output the owner may queue beyond what the kernel holds.
constexpr qsizetype kTxQueueLimit = 1 << 20;

std::uint32_t modemWord(int status) {
    std::uint32_t w = 0;
    if (status & TIOCM_CTS)
        w |= kCtsOn;
    if (status & TIOCM_DSR)
        w |= kDsrOn;
    if (status & TIOCM_RI)
        w |= kRingOn;
    if (status & TIOCM_CD)
        w |= kRlsdOn;
    return w;
}

int makeEventFd() {
    const int fd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
    return fd;
}

void signalEventFd(int fd) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(fd, &one, sizeof one);
}

} // namespace

TRurCommThread::TRurCommThread(DOreDorIror* port, int fd, std::uint64_t period,
                               TPortOptions options)
    : m_port(port), m_fd(fd), m_period(period), m_options(options) {
    m_stopFd = makeEventFd();
    try {
        m_kickFd = makeEventFd();
    } catch (...) {
        ::close(m_stopFd);
        throw;
    }
}

TRurCommThread::~TRurCommThread() {
    if (m_thread.joinable()) {
        RequestStop();
        // Nobody may run handlers any more: answer waiting deliveries unserved.
        WaitFor([this] {
            std::uint64_t id = 0;
            std::int64_t arrival = 0;
            if (TakeSyncRequest(id, arrival))
                CompleteSyncRequest(id, false);
        });
    }
    ::close(m_stopFd);
    ::close(m_kickFd);
}

void TRurCommThread::Start() {
    m_thread = std::thread([this] { Execute(); });
}

void TRurCommThread::RequestStop() {
    {
        std::lock_guard lk(m_lock);
        m_stopRequested = true;
    }
    m_cv.notify_all();
    signalEventFd(m_stopFd);
}

void TRurCommThread::WaitFor(const std::function<void()>& serve) {
    std::unique_lock lk(m_lock);
    while (!m_finished) {
        if (m_syncPending != 0 && !m_syncTaken) {
            lk.unlock();
            serve();
            lk.lock();
            continue;
        }
        m_cv.wait(lk);
    }
    lk.unlock();
    if (m_thread.joinable())
        m_thread.join();
}

bool TRurCommThread::Running() const {
    std::lock_guard lk(m_lock);
    return m_thread.joinable() && !m_finished;
}

bool TRurCommThread::stopRequested() const {
    std::lock_guard lk(m_lock);
    return m_stopRequested;
}

bool TRurCommThread::TakeSyncRequest(std::uint64_t& id, std::int64_t& arrivalMs) {
    std::lock_guard lk(m_lock);
    if (m_syncPending == 0 || m_syncTaken)
        return false;
    m_syncTaken = true;
    id = m_syncPending;
    arrivalMs = m_syncArrivalMs;
    return true;
}

void TRurCommThread::CompleteSyncRequest(std::uint64_t id, bool handlerAssigned) {
    {
        std::lock_guard lk(m_lock);
        if (m_syncPending != id)
            return;
        m_syncPending = 0;
        m_syncTaken = false;
        m_syncDone = id;
        m_syncHandlerAssigned = handlerAssigned;
    }
    m_cv.notify_all();
}

std::uint32_t TRurCommThread::InputCount() const {
    std::lock_guard lk(m_lock);
    return FInputCount;
}

int TRurCommThread::Read(char* dst, int count) {
    if (count <= 0)
        return 0;
    std::lock_guard lk(m_lock);
    count =
        static_cast<int>(std::min<std::uint32_t>(static_cast<std::uint32_t>(count), FInputCount));
    count = std::min(count, FBuffer.Unread());
    if (count <= 0)
        return 0;
    std::memcpy(dst, FBuffer.At(FBuffer.FReadPos), static_cast<size_t>(count));
    FBuffer.FReadPos += count;
    if (FBuffer.FReadPos >= FBuffer.FWritePos)
        FBuffer.Reset();
    FInputCount -= static_cast<std::uint32_t>(count);
    return count;
}

void TRurCommThread::Purge() {
    std::lock_guard lk(m_lock);
    tcflush(m_fd, TCIFLUSH);
    FBuffer.Reset();
    FInputCount = 0;
    FPending = 0;
}

std::int64_t TRurCommThread::LastArrivalMs() const {
    std::lock_guard lk(m_lock);
    return m_lastArrivalMs;
}

std::uint64_t TRurCommThread::BytesReceived() const {
    std::lock_guard lk(m_lock);
    return m_bytesReceived;
}

void TRurCommThread::kick() {
    signalEventFd(m_kickFd);
}

int TRurCommThread::Write(const char* data, int count, bool& lost) {
    lost = false;
    if (count <= 0)
        return 0;
    std::lock_guard lk(m_lock);
    // Refuse before sending anything, so that a refused write loses nothing.
    if (m_txQueue.size() + count > kTxQueueLimit)
        throw EDurIveRada(QStringLiteral("Transmit queue full"));
    int written = 0;
    if (m_txQueue.isEmpty()) {
        while (written < count) {
            const ssize_t n = ::write(m_fd, data + written, static_cast<size_t>(count - written));
            if (n > 0) {
                written += static_cast<int>(n);
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            if (n == 0 || errno == EAGAIN)
                break;
            lost = true; // EIO: the device is gone
            return written;
        }
    }
    if (written < count) {
        m_txQueue.append(data + written, count - written);
        kick();
    }
    return written;
}

void TRurCommThread::WatchDrain() {
    {
        std::lock_guard lk(m_lock);
        m_drainWatch = true;
    }
    kick();
}

void TRurCommThread::ReportLinkLost() {
    if (!m_lostReported.exchange(true))
        m_port->postPortMessage(m_period, DOreDorIror::PortMessage::LinkLost, 0);
}

bool TRurCommThread::flushTx() {
    std::lock_guard lk(m_lock);
    bool wrote = false;
    while (!m_txQueue.isEmpty()) {
        const ssize_t n =
            ::write(m_fd, m_txQueue.constData(), static_cast<size_t>(m_txQueue.size()));
        if (n > 0) {
            m_txQueue.remove(0, n);
            wrote = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno == EAGAIN)
            break;
        return false;
    }
    if (wrote)
        m_idleWakes = 0;
    else
        ++m_idleWakes;
    return true;
}

int TRurCommThread::drainCheckMs() {
    {
        std::lock_guard lk(m_lock);
        if (!m_drainWatch || !m_txQueue.isEmpty())
            return -1;
    }
    int queued = 0;
    if (ioctl(m_fd, TIOCOUTQ, &queued) == 0 && queued > 0) {
        // Look again about when the driver should have sent it.
        const int baud = std::max(50, m_port->m_baudrate.load());
        const long long ms = static_cast<long long>(queued) * 10 * 1000 / baud + 1;
        return static_cast<int>(std::clamp(ms, 1LL, 1000LL));
    }
    {
        std::lock_guard lk(m_lock);
        m_drainWatch = false;
    }
    if (m_port->OnDataSent.assigned())
        m_port->postPortMessage(m_period, DOreDorIror::PortMessage::DataSent, 0);
    return -1;
}

void TRurCommThread::checkLines() {
    if (m_options.contains(EventCtsDsr) && m_modemOk) {
        int status = 0;
        if (ioctl(m_fd, TIOCMGET, &status) == 0) {
            const int changed = status ^ m_modemStatus;
            m_modemStatus = status;
            if (changed & TIOCM_CTS)
                m_port->postPortMessage(m_period, DOreDorIror::PortMessage::CtsChanged,
                                        modemWord(status));
            if (changed & TIOCM_DSR)
                m_port->postPortMessage(m_period, DOreDorIror::PortMessage::DsrChanged,
                                        modemWord(status));
        }
    }
    if (m_countsOk) {
        serial_icounter_struct ic{};
        if (ioctl(m_fd, TIOCGICOUNT, &ic) == 0) {
            const std::uint64_t now[5] = {
                static_cast<std::uint64_t>(ic.buf_overrun), static_cast<std::uint64_t>(ic.overrun),
                static_cast<std::uint64_t>(ic.parity), static_cast<std::uint64_t>(ic.frame),
                static_cast<std::uint64_t>(ic.brk)};
            static constexpr std::uint32_t bits[5] = {kErrRxOver, kErrOverrun, kErrParity,
                                                      kErrFrame, kErrBreak};
            std::uint32_t flags = 0;
            for (int i = 0; i < 5; ++i) {
                if (now[i] != m_errorCounts[i])
                    flags |= bits[i];
                m_errorCounts[i] = now[i];
            }
            if (flags)
                m_port->postPortMessage(m_period, DOreDorIror::PortMessage::Error, flags);
        }
    }
}

TRurCommThread::Delivery TRurCommThread::deliverSync(const std::function<bool()>& prepare) {
    std::unique_lock lk(m_lock);
    if (m_stopRequested)
        return Delivery::Abandon;
    if (!prepare())
        return Delivery::Nothing;
    const std::uint64_t id = ++m_syncSeq;
    m_syncPending = id;
    m_syncTaken = false;
    m_syncArrivalMs = m_lastArrivalMs;
    lk.unlock();
    m_cv.notify_all(); // a closing UI thread serves it from its wait
    m_port->postSyncServe(m_period);
    lk.lock();
    m_cv.wait(lk, [&] { return m_syncDone == id; });
    if (m_stopRequested || !m_syncHandlerAssigned)
        return Delivery::Abandon;
    return Delivery::Delivered;
}

void TRurCommThread::announceDirect() {
    bool first = true;
    for (;;) {
        const Delivery d = deliverSync([&] {
            if (first)
                FInputCount = static_cast<std::uint32_t>(FBuffer.Unread());
            first = false;
            return FInputCount > 0;
        });
        if (d != Delivery::Delivered)
            return;
    }
}

void TRurCommThread::announceLines(const QByteArray& end) {
    const int len = static_cast<int>(end.size());
    for (;;) {
        {
            std::lock_guard lk(m_lock);
            FBuffer.FScanPos = std::max(FBuffer.FScanPos, FBuffer.FReadPos);
            bool matched = false;
            while (FBuffer.FWritePos - FBuffer.FScanPos >= len) {
                if (std::memcmp(FBuffer.At(FBuffer.FScanPos), end.constData(),
                                static_cast<size_t>(len)) == 0) {
                    FBuffer.FScanPos += len;
                    matched = true;
                    break;
                }
                ++FBuffer.FScanPos;
            }
            if (!matched)
                return;
        }
        // Everything up to and including the terminator, until it has been read.
        for (;;) {
            const Delivery d = deliverSync([&] {
                FInputCount = static_cast<std::uint32_t>(FBuffer.FScanPos - FBuffer.FReadPos);
                return FInputCount > 0;
            });
            if (d == Delivery::Abandon)
                return;
            if (d == Delivery::Nothing)
                break;
            std::lock_guard lk(m_lock);
            if (FInputCount == 0)
                break;
        }
        std::lock_guard lk(m_lock);
        if (FBuffer.FReadPos == FBuffer.FWritePos)
            return;
    }
}

void TRurCommThread::announceThreshold() {
    for (;;) {
        const Delivery d = deliverSync([&] {
            // An amount below 1 would announce nothing forever: treat it as 1.
            const int amount = std::max(1, m_port->m_rxThresholdAmount.load());
            if (FBuffer.Unread() < amount)
                return false;
            FInputCount = static_cast<std::uint32_t>(amount);
            return true;
        });
        if (d != Delivery::Delivered)
            return;
    }
}

TRurCommThread::Intake TRurCommThread::takeInput() {
    const std::int64_t arrival = ZvMonotonicMs();
    int queued = 0;
    // With nothing queued a one-byte read tells "hung up" (0) from "nothing" (EAGAIN).
    if (ioctl(m_fd, FIONREAD, &queued) != 0 || queued <= 0)
        queued = 1;
    const bool wanted = m_port->OnDataAvailable.assigned();
    const bool timeoutMode = m_port->m_rxTimeout.load() > 0;
    const bool lineMode = !timeoutMode && m_port->m_lineMode.load();
    const bool thresholdMode = !timeoutMode && !lineMode && m_port->m_rxThresholdUse.load();
    const bool direct = !timeoutMode && !lineMode && !thresholdMode;

    std::unique_lock lk(m_lock);
    if (!wanted && direct) {
        // Nobody takes them: what waits and what arrives is thrown away.
        FBuffer.Reset();
        FInputCount = 0;
    }
    FPending = static_cast<std::uint32_t>(queued);
    FBuffer.Reserve(FPending);
    const ssize_t n = ::read(m_fd, FBuffer.WritePtr(), FPending);
    if (n < 0) {
        FPending = 0;
        return (errno == EAGAIN || errno == EINTR) ? Intake::Nothing : Intake::Error;
    }
    if (n == 0)
        return Intake::EndOfFile;
    FPending -= static_cast<std::uint32_t>(n);
    m_bytesReceived += static_cast<std::uint64_t>(n);
    m_idleWakes = 0;
    if (!wanted)
        return Intake::Data; // read over, never announced
    FBuffer.FWritePos += static_cast<std::int32_t>(n);
    m_lastArrivalMs = arrival;

    if (timeoutMode) {
        FInputCount = static_cast<std::uint32_t>(FBuffer.Unread());
        lk.unlock();
        m_port->postPortMessage(m_period, DOreDorIror::PortMessage::RestartTimer, 0);
        return Intake::Data;
    }
    lk.unlock();
    if (lineMode)
        announceLines(m_port->lineEndForThread());
    else if (thresholdMode)
        announceThreshold();
    else
        announceDirect();
    return Intake::Data;
}

void TRurCommThread::Execute() {
    // The line states found at open are reported whatever the options say.
    if (ioctl(m_fd, TIOCMGET, &m_modemStatus) == 0) {
        m_modemOk = true;
        if (m_modemStatus & TIOCM_CTS)
            m_port->postPortMessage(m_period, DOreDorIror::PortMessage::CtsChanged,
                                    modemWord(m_modemStatus));
        if (m_modemStatus & TIOCM_DSR)
            m_port->postPortMessage(m_period, DOreDorIror::PortMessage::DsrChanged,
                                    modemWord(m_modemStatus));
    }
    if (m_options.contains(EventError)) {
        serial_icounter_struct ic{};
        if (ioctl(m_fd, TIOCGICOUNT, &ic) == 0) {
            m_countsOk = true;
            m_errorCounts[0] = static_cast<std::uint64_t>(ic.buf_overrun);
            m_errorCounts[1] = static_cast<std::uint64_t>(ic.overrun);
            m_errorCounts[2] = static_cast<std::uint64_t>(ic.parity);
            m_errorCounts[3] = static_cast<std::uint64_t>(ic.frame);
            m_errorCounts[4] = static_cast<std::uint64_t>(ic.brk);
        }
    }
    const bool watchLines = (m_options.contains(EventCtsDsr) && m_modemOk) || m_countsOk;

    bool lost = false;
    while (!lost) {
        bool wantOut = false;
        {
            std::lock_guard lk(m_lock);
            if (m_stopRequested)
                break;
            wantOut = !m_txQueue.isEmpty();
        }
        int timeout = watchLines ? kLineWatchMs : -1;
        const int drain = drainCheckMs();
        if (drain >= 0 && (timeout < 0 || drain < timeout))
            timeout = drain;

        pollfd fds[3] = {
            {m_stopFd, POLLIN, 0},
            {m_kickFd, POLLIN, 0},
            {m_fd, static_cast<short>(POLLIN | (wantOut ? POLLOUT : 0)), 0},
        };
        const int r = ::poll(fds, 3, timeout);
        if (r < 0) {
            if (errno == EINTR || errno == EAGAIN)
                continue;
            lost = true;
            break;
        }
        if (fds[0].revents)
            break;
        if (fds[1].revents & POLLIN) {
            std::uint64_t value = 0;
            [[maybe_unused]] const ssize_t n = ::read(m_kickFd, &value, sizeof value);
        }
        const short ev = fds[2].revents;
        if (ev & POLLNVAL) {
            lost = true;
            break;
        }
        if (ev & POLLIN) {
            switch (takeInput()) {
            case Intake::Data:
                break;
            case Intake::Nothing:
                if (++m_idleWakes > kMaxIdleWakes)
                    lost = true;
                break;
            case Intake::EndOfFile:
            case Intake::Error:
                lost = true;
                break;
            }
        }
        // Hung up (adapter pulled, pty master closed): after taking what was readable.
        if (!lost && (ev & (POLLHUP | POLLERR)))
            lost = true;
        if (!lost && (ev & POLLOUT) && !flushTx())
            lost = true;
        if (!lost && m_idleWakes > kMaxIdleWakes)
            lost = true;
        if (!lost && watchLines)
            checkLines();
    }
    if (lost)
        ReportLinkLost();
    {
        std::lock_guard lk(m_lock);
        m_finished = true;
    }
    m_cv.notify_all();
}
