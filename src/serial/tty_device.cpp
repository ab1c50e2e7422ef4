#include "serial/tty_device.h"

#include "serial/flow_ctrl.h"

#include <QFile>

#include <array>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace tty {

FlowTermios flowTermiosFor(std::uint32_t flags) {
    FlowTermios f;
    // Linux has one switch for CTS output flow and RTS input flow.
    f.crtscts =
        (flags & TFlowCtrl::fOutxCtsFlow) != 0 || (flags & TFlowCtrl::fRtsControlMask) == 0x2000;
    f.xonxoff = (flags & TFlowCtrl::fOutXInX) != 0;
    // DSR output flow, DSR sensitivity and continue-on-XOFF have no tty equivalent.
    return f;
}

ModemLines modemLinesFor(std::uint32_t flags) {
    ModemLines m;
    // DTR handshake does not exist on Linux: keep the line raised.
    if ((flags & TFlowCtrl::fDtrControlMask) == 0)
        m.drop |= TIOCM_DTR;
    else
        m.raise |= TIOCM_DTR;
    switch (flags & TFlowCtrl::fRtsControlMask) {
    case 0x1000:
        m.raise |= TIOCM_RTS;
        break;
    case 0x2000: // driven by the driver through CRTSCTS
        break;
    default: // disabled; toggle has no tty equivalent, so RTS rests off as between frames
        m.drop |= TIOCM_RTS;
        break;
    }
    return m;
}

void makeRaw(termios& t) {
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | CSTOPB | PARENB | PARODD | CMSPAR | CRTSCTS);
    t.c_cflag |= CS8;
    t.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK);
    // Non-blocking reads: VMIN 1 keeps read()==0 meaning "hung up".
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
}

void setByteSize(termios& t, unsigned byteSize) {
    tcflag_t size = 0;
    switch (byteSize) {
    case 5:
        size = CS5;
        break;
    case 6:
        size = CS6;
        break;
    case 7:
        size = CS7;
        break;
    case 8:
        size = CS8;
        break;
    default:
        return;
    }
    t.c_cflag = (t.c_cflag & ~CSIZE) | size;
}

void setParity(termios& t, TParity parity) {
    t.c_cflag &= ~(PARENB | PARODD | CMSPAR);
    switch (parity) {
    case ptNone:
        break;
    case ptOdd:
        t.c_cflag |= PARENB | PARODD;
        break;
    case ptEven:
        t.c_cflag |= PARENB;
        break;
    case ptMark:
        t.c_cflag |= PARENB | PARODD | CMSPAR;
        break;
    case ptSpace:
        t.c_cflag |= PARENB | CMSPAR;
        break;
    }
    // Received parity is never checked (the parity-check flag is never set).
    t.c_iflag &= ~INPCK;
}

void setStopBits(termios& t, TStopBits stopBits) {
    // One and a half stop bits: the UART sends 1.5 for CSTOPB with 5 data bits.
    if (stopBits == sbOne)
        t.c_cflag &= ~CSTOPB;
    else
        t.c_cflag |= CSTOPB;
}

void setFlow(termios& t, std::uint32_t flags) {
    const FlowTermios f = flowTermiosFor(flags);
    if (f.crtscts)
        t.c_cflag |= CRTSCTS;
    else
        t.c_cflag &= ~CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (f.xonxoff)
        t.c_iflag |= IXON | IXOFF;
}

bool setStandardBaudrate(termios& t, int baudrate) {
    static constexpr std::array<std::pair<int, speed_t>, 30> rates{{
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    }};
    for (const auto& [rate, speed] : rates) {
        if (rate == baudrate) {
            cfsetispeed(&t, speed);
            cfsetospeed(&t, speed);
            return true;
        }
    }
    return false;
}

void updateTermios(int fd, const std::function<void(termios&)>& change) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return;
    change(t);
    tcsetattr(fd, TCSANOW, &t);
}

void applyBaudrate(int fd, int baudrate) {
    termios t{};
    if (tcgetattr(fd, &t) != 0)
        return;
    if (setStandardBaudrate(t, baudrate))
        tcsetattr(fd, TCSANOW, &t);
    else
        setCustomBaudrate(fd, baudrate);
}

void applyModemLines(int fd, std::uint32_t flags) {
    const ModemLines m = modemLinesFor(flags);
    if (m.raise)
        ioctl(fd, TIOCMBIS, &m.raise);
    if (m.drop)
        ioctl(fd, TIOCMBIC, &m.drop);
}

void setLowLatency(int fd) {
    serial_struct ss{};
    if (ioctl(fd, TIOCGSERIAL, &ss) != 0)
        return;
    if (ss.flags & ASYNC_LOW_LATENCY)
        return;
    ss.flags |= ASYNC_LOW_LATENCY;
    ioctl(fd, TIOCSSERIAL, &ss);
}

int openExclusive(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return -1;
    if (!isatty(fd)) {
        ::close(fd);
        errno = ENOTTY;
        return -1;
    }
    // TIOCEXCL does not stop root; the lock stops every other instance of ours.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        errno = EBUSY;
        return -1;
    }
    ioctl(fd, TIOCEXCL);
    return fd;
}

void closeExclusive(int fd) {
    if (fd < 0)
        return;
    ioctl(fd, TIOCNXCL);
    ::close(fd); // also releases the lock
}

QString openFailureMessage(const QString& path, int err) {
    QString message = QStringLiteral("Cannot open port '") + path + QStringLiteral("'");
    switch (err) {
    case EACCES:
    case EPERM:
        message += QStringLiteral(". Your user may not use it: add it to the dialout group "
                                  "(sudo adduser $USER dialout) and log in again.");
        break;
    case EBUSY:
        message += QStringLiteral(". Another program is using it.");
        break;
    default:
        break;
    }
    return message;
}

} // namespace tty
