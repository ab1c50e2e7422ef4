#include "serial/port_names.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>

#include <cerrno>
#include <set>

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

QString ZvConfigDir() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/ZedoVudera");
}

static QString portsDir() {
    return ZvConfigDir() + QStringLiteral("/ports");
}

QString ComPortLinkPath(int number) {
    return portsDir() + QStringLiteral("/COM") + QString::number(number);
}

QString ComPortDefaultDevice(int number) {
    if (number >= 1 && number <= 32)
        return QStringLiteral("/dev/ttyS") + QString::number(number - 1);
    if (number >= 33 && number <= 64)
        return QStringLiteral("/dev/ttyUSB") + QString::number(number - 33);
    if (number >= 65 && number <= 96)
        return QStringLiteral("/dev/ttyACM") + QString::number(number - 65);
    return {};
}

static bool linkExists(const QString& path) {
    struct stat st {};
    return lstat(QFile::encodeName(path).constData(), &st) == 0;
}

QString ComPortDevicePath(int number) {
    const QString link = ComPortLinkPath(number);
    if (linkExists(link))
        return link;
    const QString node = ComPortDefaultDevice(number);
    return node.isEmpty() ? link : node;
}

// A /dev/ttyS node exists for every possible UART; sysfs says whether one is there.
static bool noUartBehind(const QString& canonical) {
    const QFileInfo fi(canonical);
    if (fi.path() != QLatin1String("/dev") || !fi.fileName().startsWith(QLatin1String("ttyS")))
        return false;
    QFile type(QStringLiteral("/sys/class/tty/") + fi.fileName() + QStringLiteral("/type"));
    if (!type.open(QIODevice::ReadOnly))
        return false;
    bool ok = false;
    const int value = type.readAll().trimmed().toInt(&ok);
    return ok && value == PORT_UNKNOWN;
}

// USB adapters: the product string of the USB device a few levels above the tty.
static QString usbProduct(const QString& canonical) {
    const QFileInfo fi(canonical);
    if (fi.path() != QLatin1String("/dev"))
        return {};
    QString dir =
        QFileInfo(QStringLiteral("/sys/class/tty/") + fi.fileName() + QStringLiteral("/device"))
            .canonicalFilePath();
    if (dir.isEmpty() || !dir.contains(QLatin1String("/usb")))
        return {};
    for (int level = 0; level < 4 && dir.startsWith(QLatin1String("/sys/devices/")); ++level) {
        QFile product(dir + QStringLiteral("/product"));
        if (product.open(QIODevice::ReadOnly))
            return QString::fromUtf8(product.readAll()).trimmed();
        dir = QFileInfo(dir).path();
    }
    return {};
}

std::optional<ComPortInfo> ProbeComPort(int number) {
    const QString path = ComPortDevicePath(number);
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (stat(native.constData(), &st) != 0 || !S_ISCHR(st.st_mode))
        return std::nullopt;

    ComPortInfo info;
    info.number = number;
    info.device = QFileInfo(path).canonicalFilePath();
    if (noUartBehind(info.device))
        return std::nullopt;

    const int fd = ::open(native.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        switch (errno) {
        case EBUSY: // held exclusively by another program
            info.inUse = true;
            break;
        case EACCES:
        case EPERM:
            info.accessible = false;
            break;
        default: // ENXIO, ENODEV, EIO: nothing behind the node
            return std::nullopt;
        }
    } else {
        serial_struct ss{};
        const bool unknownUart = ioctl(fd, TIOCGSERIAL, &ss) == 0 && ss.type == PORT_UNKNOWN;
        const bool isTty = isatty(fd);
        if (isTty && !unknownUart && flock(fd, LOCK_EX | LOCK_NB) != 0)
            info.inUse = true;
        ::close(fd);
        if (!isTty || unknownUart)
            return std::nullopt;
    }
    info.product = usbProduct(info.device);
    return info;
}

QList<ComPortInfo> ListComPorts() {
    std::set<int> candidates;
    static const QRegularExpression linkName(QStringLiteral("^COM([1-9][0-9]{0,8})$"));
    const QStringList links =
        QDir(portsDir()).entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
    for (const QString& name : links) {
        const auto match = linkName.match(name);
        if (match.hasMatch())
            candidates.insert(match.captured(1).toInt());
    }
    for (int n = 1; n <= 96; ++n) {
        struct stat st {};
        if (stat(QFile::encodeName(ComPortDefaultDevice(n)).constData(), &st) == 0)
            candidates.insert(n);
    }

    QList<ComPortInfo> ports;
    for (int n : candidates) {
        if (auto info = ProbeComPort(n))
            ports.append(*info);
    }
    return ports;
}

void EnumComPorts(QStringList& list) {
    for (const ComPortInfo& info : ListComPorts())
        list.append(QString::number(info.number));
}
