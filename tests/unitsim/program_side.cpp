#include "program_side.h"

#include "unitsim/sim_config.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

ProgramSide::ProgramSide(int com) : m_com(com) {}

ProgramSide::~ProgramSide() {
    close();
}

bool ProgramSide::open() {
    close();
    m_total = 0;
    const QString link =
        unitsim::defaultPortsDir() + QStringLiteral("/COM") + QString::number(m_com);
    m_fd = ::open(QFile::encodeName(link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_fd < 0)
        return false;
    termios tio{};
    tcgetattr(m_fd, &tio);
    cfmakeraw(&tio);
    tcsetattr(m_fd, TCSANOW, &tio);
    tcflush(m_fd, TCIOFLUSH);
    m_linkLost = false;
    return true;
}

void ProgramSide::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool ProgramSide::isOpen() const {
    return m_fd >= 0;
}

void ProgramSide::send(const QByteArray& bytes) {
    if (m_fd >= 0)
        (void)::write(m_fd, bytes.constData(), static_cast<size_t>(bytes.size()));
}

void ProgramSide::clear() {
    m_received.clear();
    m_arrivals.clear();
}

void ProgramSide::pump(int waitMs) {
    if (m_fd < 0 || m_linkLost) {
        poll(nullptr, 0, waitMs); // nothing to read; look at the condition again later
        return;
    }
    pollfd p{m_fd, POLLIN, 0};
    if (poll(&p, 1, waitMs) <= 0)
        return;
    if (p.revents & POLLIN) {
        char buf[4096];
        const ssize_t n = read(m_fd, buf, sizeof buf);
        if (n > 0) {
            m_received.append(buf, n);
            m_total += static_cast<std::uint64_t>(n);
            m_arrivals.push_back({nowMs(), QByteArray(buf, n)});
            return;
        }
        if (n < 0 && errno == EAGAIN)
            return;
    }
    if (p.revents & (POLLHUP | POLLERR | POLLNVAL | POLLIN))
        m_linkLost = true;
}

bool ProgramSide::waitUntil(const std::function<bool()>& pred, int timeoutMs) {
    const std::int64_t end = nowMs() + timeoutMs;
    while (!pred()) {
        if (m_linkLost)
            return false; // nothing more can come
        const std::int64_t left = end - nowMs();
        if (left <= 0)
            return pred();
        pump(static_cast<int>(std::min<std::int64_t>(left, 50)));
    }
    return true;
}

QByteArray ProgramSide::exchange(const QByteArray& request, qsizetype expected, int timeoutMs) {
    clear();
    send(request);
    waitForBytes(expected, timeoutMs);
    return m_received;
}
