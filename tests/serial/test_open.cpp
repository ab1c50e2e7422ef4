// Opening, exclusivity and live line settings on a real pseudo-terminal.
#include "pty_support.h"

#include "serial/port_names.h"

#include <functional>

#include <termios.h>

namespace {

struct OpenFailure {
    const char* name;
    int number;
    const char* linkTarget; // nullptr: no link
};

void PrintTo(const OpenFailure& c, std::ostream* os) {
    *os << c.name;
}

class OpenFails : public ::testing::TestWithParam<OpenFailure> {
protected:
    void TearDown() override { unlinkComPort(GetParam().number); }
};

TEST_P(OpenFails, NamesTheDevicePathAndStaysInactive) {
    const OpenFailure& c = GetParam();
    if (c.linkTarget)
        linkComPort(c.number, QString::fromUtf8(c.linkTarget));
    DOreDorIror port;
    port.setPort(c.number);
    try {
        port.setActive(true);
        FAIL() << "opened";
    } catch (const EDurIveRada& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot open port '") + ComPortLinkPath(c.number) +
                                   QStringLiteral("'"));
    }
    EXPECT_FALSE(port.Active());
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenFails,
                         ::testing::Values(OpenFailure{"PortZero", 0, nullptr},
                                           OpenFailure{"Negative", -3, nullptr},
                                           OpenFailure{"AboveTheMapping", 97, nullptr},
                                           OpenFailure{"DanglingLink", 140, "/nonexistent/ttyUSB9"},
                                           OpenFailure{"LinkToANonTty", 141, "/dev/null"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Open, MissingDefaultDeviceIsNamed) {
    // COM64 is /dev/ttyUSB31, which no test machine has.
    DOreDorIror port;
    port.setPort(64);
    try {
        port.setActive(true);
        FAIL() << "opened";
    } catch (const EDurIveRada& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Cannot open port '/dev/ttyUSB31'"));
    }
}

using OpenTest = PortTest;

TEST_F(OpenTest, SecondInstanceCannotOpenAPortInUse) {
    open();
    DOreDorIror other;
    other.setPort(kNumber);
    try {
        other.setActive(true);
        FAIL() << "a second instance opened the port";
    } catch (const EDurIveRada& e) {
        EXPECT_TRUE(e.message().startsWith(QStringLiteral("Cannot open port '") +
                                           ComPortLinkPath(kNumber) + QStringLiteral("'")))
            << e.what();
    }
    EXPECT_FALSE(other.Active());
    port.setActive(false);
    EXPECT_NO_THROW(other.setActive(true));
}

TEST_F(OpenTest, ActiveTwiceOpensOnce) {
    QByteArray got;
    port.OnDataAvailable = [&](DOreDorIror* p) { got += p->ReadString(); };
    open();
    // A second open of the same device would fail on our own lock.
    EXPECT_NO_THROW(port.setActive(true));
    pty.write("ok");
    ASSERT_TRUE(waitUntil([&] { return got == "ok"; }));
    port.setActive(false);
    EXPECT_NO_THROW(port.setActive(false));
    EXPECT_FALSE(port.Active());
}

termios slaveTermios(const Pty& pty) {
    termios t{};
    // On a pty master, tcgetattr reports the slave's settings.
    EXPECT_EQ(tcgetattr(pty.master(), &t), 0);
    return t;
}

struct LiveCase {
    const char* name;
    std::function<void(DOreDorIror&)> change;
    std::function<bool(const termios&)> holds;
};

void PrintTo(const LiveCase& c, std::ostream* os) {
    *os << c.name;
}

class LiveSettings : public PortTest, public ::testing::WithParamInterface<LiveCase> {};

TEST_P(LiveSettings, ReachTheOpenDevice) {
    open();
    GetParam().change(port);
    EXPECT_TRUE(GetParam().holds(slaveTermios(pty)));
}

bool raw9600_8N1(const termios& t) {
    return cfgetospeed(&t) == B9600 && cfgetispeed(&t) == B9600 && (t.c_cflag & CSIZE) == CS8 &&
           !(t.c_cflag & (PARENB | CSTOPB | CRTSCTS)) &&
           (t.c_cflag & (CLOCAL | CREAD)) == (CLOCAL | CREAD) &&
           !(t.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP)) &&
           !(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) && !(t.c_oflag & OPOST);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LiveSettings,
    ::testing::Values(LiveCase{"OpenedRaw9600_8N1", [](DOreDorIror&) {}, raw9600_8N1},
                      LiveCase{"Baudrate", [](DOreDorIror& p) { p.setBaudrate(19200); },
                               [](const termios& t) { return cfgetospeed(&t) == B19200; }},
                      // A pty forces CS8 and clears PARENB itself; the parity kind bits stay.
                      LiveCase{"ParityMark", [](DOreDorIror& p) { p.setParity(ptMark); },
                               [](const termios& t) {
                                   return (t.c_cflag & (PARODD | CMSPAR)) == (PARODD | CMSPAR);
                               }},
                      LiveCase{"TwoStopBits", [](DOreDorIror& p) { p.setStopBits(sbTwo); },
                               [](const termios& t) { return (t.c_cflag & CSTOPB) != 0; }},
                      LiveCase{"FlowControlOn",
                               [](DOreDorIror& p) {
                                   p.FlowCtrl().setTxCtsFlow(true);
                                   p.FlowCtrl().setXonXoff(true);
                               },
                               [](const termios& t) {
                                   return (t.c_cflag & CRTSCTS) &&
                                          (t.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF);
                               }},
                      LiveCase{"FlowControlOffAgain",
                               [](DOreDorIror& p) {
                                   p.FlowCtrl().setXonXoff(true);
                                   p.FlowCtrl().setXonXoff(false);
                               },
                               [](const termios& t) { return !(t.c_iflag & (IXON | IXOFF)); }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(OpenTest, SettingsMadeBeforeOpeningAreApplied) {
    port.setBaudrate(4800);
    port.setByteSize(7);
    port.setParity(ptOdd);
    port.setStopBits(sbTwo);
    open();
    const termios t = slaveTermios(pty);
    EXPECT_EQ(cfgetospeed(&t), speed_t(B4800));
    // A pty keeps neither the byte size nor PARENB; the parity kind shows.
    EXPECT_EQ(t.c_cflag & (PARODD | CMSPAR), tcflag_t(PARODD));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
}

TEST_F(OpenTest, LiveChangesKeepTheOpenDevice) {
    // Threshold mode keeps two bytes in the receive buffer: a reopen would lose them.
    std::vector<QByteArray> got;
    port.setRxThresholdUse(true);
    port.setRxThresholdAmount(4);
    port.OnDataAvailable = [&](DOreDorIror* p) { got.push_back(p->ReadString()); };
    open();
    pty.write(bytesOf({1, 2}));
    ASSERT_TRUE(waitUntil([&] { return port.BytesReceived() == 2; }));
    port.setBaudrate(19200);
    const termios t = slaveTermios(pty);
    EXPECT_EQ(cfgetospeed(&t), speed_t(B19200));
    port.setPort(kNumber + 1); // used at the next open only
    pty.write(bytesOf({3, 4}));
    ASSERT_TRUE(waitUntil([&] { return got.size() == 1; }));
    EXPECT_EQ(got[0], bytesOf({1, 2, 3, 4}));
    EXPECT_TRUE(port.Active());
}

} // namespace
