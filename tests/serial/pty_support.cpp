#include "pty_support.h"

#include "serial/port_names.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTimer>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

Pty::Pty() {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0 || grantpt(m_master) != 0 || unlockpt(m_master) != 0)
        throw std::runtime_error("no pseudo-terminal");
    char name[128] = {};
    if (ptsname_r(m_master, name, sizeof name) != 0)
        throw std::runtime_error("no pseudo-terminal name");
    m_slave = QString::fromLocal8Bit(name);
}

Pty::~Pty() {
    closeMaster();
}

void Pty::closeMaster() {
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

void Pty::write(const QByteArray& bytes) const {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        ASSERT_GT(n, 0) << "write to the pty master failed";
        done += n;
    }
}

QByteArray Pty::read(int n, int timeoutMs) const {
    QByteArray got;
    QDeadlineTimer deadline(timeoutMs);
    while (got.size() < n && !deadline.hasExpired()) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(deadline.remainingTime())) <= 0)
            continue;
        char buf[4096];
        const ssize_t r = ::read(m_master, buf, std::min<size_t>(sizeof buf, n - got.size()));
        if (r > 0)
            got.append(buf, r);
    }
    return got;
}

void linkComPort(int number, const QString& target) {
    QDir().mkpath(ZvConfigDir() + QStringLiteral("/ports"));
    unlinkComPort(number);
    ASSERT_TRUE(QFile::link(target, ComPortLinkPath(number)));
}

void unlinkComPort(int number) {
    QFile::remove(ComPortLinkPath(number));
}

bool waitUntil(const std::function<bool()>& cond, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    // Some conditions change without an event on this thread: look again often.
    QTimer ticker;
    ticker.start(2);
    while (!cond()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

void runEventsFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

QByteArray bytesOf(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values)
        b.append(static_cast<char>(v));
    return b;
}
