// COM numbers, their devices and which of them are present.
#include "pty_support.h"

#include "serial/port_names.h"

#include <QFileInfo>

namespace {

TEST(PortNames, ConfigDirFollowsXdg) {
    EXPECT_EQ(ZvConfigDir(),
              QString::fromLocal8Bit(qgetenv("XDG_CONFIG_HOME")) + QStringLiteral("/ZedoVudera"));
}

TEST(PortNames, FixedMappingAndLinks) {
    const struct {
        int number;
        const char* device; // nullptr: the link path
    } cases[] = {
        {1, "/dev/ttyS0"},     {32, "/dev/ttyS31"},  {33, "/dev/ttyUSB0"},
        {64, "/dev/ttyUSB31"}, {65, "/dev/ttyACM0"}, {96, "/dev/ttyACM31"},
        {0, nullptr},          {-1, nullptr},        {97, nullptr},
    };
    for (const auto& c : cases) {
        const QString expected =
            c.device ? QString::fromLatin1(c.device) : ComPortLinkPath(c.number);
        EXPECT_EQ(ComPortDevicePath(c.number), expected) << c.number;
    }
    EXPECT_EQ(ComPortLinkPath(7), ZvConfigDir() + QStringLiteral("/ports/COM7"));
    linkComPort(7, QStringLiteral("/dev/serial/by-id/usb-adapter"));
    EXPECT_EQ(ComPortDevicePath(7), ComPortLinkPath(7)); // even dangling, the link wins
    unlinkComPort(7);
}

TEST(PortNames, EnumerationListsLinkedPortsAscendingAndAppends) {
    Pty a, b;
    linkComPort(150, a.slavePath());
    linkComPort(120, b.slavePath());
    linkComPort(130, QStringLiteral("/nonexistent/ttyUSB7"));
    linkComPort(5, QStringLiteral("/nonexistent/ttyUSB8")); // hides /dev/ttyS4
    linkComPort(140, QStringLiteral("/dev/null"));          // not a tty

    DOreDorIror holder; // a port in use is still present
    holder.setPort(150);
    holder.setActive(true);

    QStringList list{QStringLiteral("keep")};
    DOreDorIror::EnumComPorts(list);
    ASSERT_FALSE(list.isEmpty());
    EXPECT_EQ(list.first(), QStringLiteral("keep"));
    const QStringList numbers = list.mid(1);
    EXPECT_TRUE(numbers.contains(QStringLiteral("120")));
    EXPECT_TRUE(numbers.contains(QStringLiteral("150")));
    EXPECT_FALSE(numbers.contains(QStringLiteral("130")));
    EXPECT_FALSE(numbers.contains(QStringLiteral("140")));
    EXPECT_FALSE(numbers.contains(QStringLiteral("5")));
    int previous = 0;
    for (const QString& n : numbers) {
        bool ok = false;
        const int value = n.toInt(&ok);
        EXPECT_TRUE(ok && value > previous && n == QString::number(value)) << n.toStdString();
        previous = value;
    }

    const QList<ComPortInfo> infos = ListComPorts();
    bool saw120 = false, saw150 = false;
    for (const ComPortInfo& info : infos) {
        if (info.number == 120) {
            saw120 = true;
            EXPECT_EQ(info.device, QFileInfo(b.slavePath()).canonicalFilePath());
            EXPECT_TRUE(info.product.isEmpty());
            EXPECT_TRUE(info.accessible);
            EXPECT_FALSE(info.inUse);
        }
        if (info.number == 150) {
            saw150 = true;
            EXPECT_TRUE(info.inUse);
        }
    }
    EXPECT_TRUE(saw120 && saw150);

    holder.setActive(false);
    for (int n : {150, 120, 130, 5, 140})
        unlinkComPort(n);
}

} // namespace
