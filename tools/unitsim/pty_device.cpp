#include "pty_device.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace unitsim {

namespace {

QString errnoText(const char* what) {
    return QStringLiteral("%1: %2").arg(QLatin1String(what),
                                        QString::fromLocal8Bit(strerror(errno)));
}

} // namespace

PtyDevice::~PtyDevice() {
    close();
}

bool PtyDevice::open(QString* error) {
    close();
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_master < 0) {
        *error = errnoText("posix_openpt");
        return false;
    }
    char name[128] = {};
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0 ||
        ptsname_r(m_master, name, sizeof name) != 0) {
        *error = errnoText("pseudo-terminal");
        close();
        return false;
    }
    m_path = QString::fromLocal8Bit(name);
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_slave < 0) {
        *error = errnoText(name);
        close();
        return false;
    }
    // Raw before anything is written: with the default settings the line would echo our
    // own bytes back to us.
    termios tio{};
    if (tcgetattr(m_slave, &tio) != 0) {
        *error = errnoText("tcgetattr");
        close();
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD | CS8;
    tio.c_cflag &= ~(CSTOPB | PARENB | CRTSCTS);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    if (tcsetattr(m_slave, TCSANOW, &tio) != 0) {
        *error = errnoText("tcsetattr");
        close();
        return false;
    }
    const int flags = fcntl(m_master, F_GETFL);
    if (flags < 0 || fcntl(m_master, F_SETFL, flags | O_NONBLOCK) != 0) {
        *error = errnoText("fcntl");
        close();
        return false;
    }
    return true;
}

void PtyDevice::close() {
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
}

int PtyDevice::unreadByProgram() const {
    int n = 0;
    if (m_slave < 0 || ioctl(m_slave, FIONREAD, &n) != 0)
        return 0;
    return n;
}

bool PortLink::create(const QString& dir, int com, const QString& target, QString* error) {
    remove();
    if (!QDir().mkpath(dir)) {
        *error = QStringLiteral("cannot create the ports directory %1").arg(dir);
        return false;
    }
    const QString path = dir + QStringLiteral("/COM") + QString::number(com);
    const QByteArray pathBytes = QFile::encodeName(path);
    struct stat st {};
    if (lstat(pathBytes.constData(), &st) == 0) {
        const QFileInfo info(path);
        if (!S_ISLNK(st.st_mode) || info.exists()) {
            *error = QStringLiteral("%1 already exists%2; choose another COM number or remove it")
                         .arg(path, S_ISLNK(st.st_mode)
                                        ? QStringLiteral(" and points at ") + info.symLinkTarget()
                                        : QString());
            return false;
        }
    }
    // A new link beside it, then rename over: the program never sees a half-made link.
    const QByteArray tmp = pathBytes + ".tmp" + QByteArray::number(getpid());
    ::unlink(tmp.constData());
    if (symlink(QFile::encodeName(target).constData(), tmp.constData()) != 0 ||
        rename(tmp.constData(), pathBytes.constData()) != 0) {
        *error = errnoText(pathBytes.constData());
        ::unlink(tmp.constData());
        return false;
    }
    m_path = path;
    m_target = target;
    return true;
}

void PortLink::remove() {
    if (m_path.isEmpty())
        return;
    // Only our own link: someone may have pointed COM<n> elsewhere meanwhile.
    const QByteArray path = QFile::encodeName(m_path);
    char buf[4096];
    const ssize_t n = readlink(path.constData(), buf, sizeof buf - 1);
    if (n > 0 && QByteArray(buf, n) == QFile::encodeName(m_target))
        ::unlink(path.constData());
    m_path.clear();
    m_target.clear();
}

} // namespace unitsim
