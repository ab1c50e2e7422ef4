// Properties and their rules, without a device.
#include "serial/dore_dor_iror.h"
#include "serial/tty_device.h"

#include <gtest/gtest.h>

#include <functional>

#include <sys/ioctl.h>
#include <termios.h>

namespace {

TEST(Settings, ConstructorDefaults) {
    DOreDorIror port;
    EXPECT_EQ(port.Baudrate(), 9600);
    EXPECT_EQ(port.ByteSize(), 8);
    EXPECT_EQ(port.Parity(), ptNone);
    EXPECT_EQ(port.StopBits(), sbOne);
    EXPECT_EQ(port.RxBuffer(), 8192u);
    EXPECT_EQ(port.TxBuffer(), 8192u);
    EXPECT_EQ(port.XoffLim(), 4096);
    EXPECT_EQ(port.XonLim(), 6144);
    EXPECT_EQ(port.Port(), 0);
    EXPECT_TRUE(port.PortOptions().empty());
    EXPECT_EQ(port.LineEnd(), QByteArray("\r\n"));
    EXPECT_FALSE(port.LineMode());
    EXPECT_FALSE(port.RxThresholdUse());
    EXPECT_EQ(port.RxThresholdAmount(), 0);
    EXPECT_EQ(port.RxTimeout(), 0);
    EXPECT_FALSE(port.Active());
    EXPECT_EQ(port.FlowCtrl().FFlags(), 0x1011u);
}

TEST(Settings, RxBufferAssignmentSwapsTheXonXoffRule) {
    DOreDorIror port;
    port.setRxBuffer(8192); // the value it has: nothing changes
    EXPECT_EQ(port.XoffLim(), 4096);
    EXPECT_EQ(port.XonLim(), 6144);
    port.setRxBuffer(1001);
    EXPECT_EQ(port.XoffLim(), 750); // (1001 >> 2) * 3
    EXPECT_EQ(port.XonLim(), 500);
}

TEST(Settings, VersionIgnoresAssignments) {
    DOreDorIror port;
    port.setVersion(QStringLiteral("2.0"));
    EXPECT_EQ(port.Version(), QStringLiteral("1.14"));
}

TEST(Settings, NegativeRxTimeoutIsRejectedAndKeepsTheOldValue) {
    DOreDorIror port;
    port.setRxTimeout(50);
    try {
        port.setRxTimeout(-1);
        FAIL() << "no exception";
    } catch (const EDurIveRada& e) {
        EXPECT_STREQ(e.what(), "Value can not be negatieve");
    }
    EXPECT_EQ(port.RxTimeout(), 50);
}

TEST(Settings, InactivePort) {
    DOreDorIror port;
    try {
        port.WriteString(QByteArray("\x01", 1));
        FAIL() << "no exception";
    } catch (const EDurIveRada& e) {
        EXPECT_EQ(e.message(), QStringLiteral("Port not open"));
    }
    EXPECT_NO_THROW(port.setActive(false)); // already inactive: nothing happens
    char buf[4];
    EXPECT_EQ(port.Read(buf, 4), 0);
    EXPECT_EQ(port.InputCount(), 0u);
    EXPECT_TRUE(port.ReadString().isEmpty());
}

TEST(Settings, ReceiveModesExcludeEachOther) {
    DOreDorIror port;
    port.setRxTimeout(100);
    port.setLineMode(true);
    EXPECT_EQ(port.RxTimeout(), 0);
    port.setRxThresholdUse(true);
    EXPECT_FALSE(port.LineMode());
    port.setRxTimeout(30);
    EXPECT_FALSE(port.RxThresholdUse());
    EXPECT_FALSE(port.LineMode());
}

struct FlowCase {
    const char* name;
    std::function<void(TFlowCtrl&)> assign;
    std::uint32_t flags;
    bool crtscts;
    bool xonxoff;
    int raise; // TIOCM_DTR / TIOCM_RTS
    int drop;
};

void PrintTo(const FlowCase& c, std::ostream* os) {
    *os << c.name;
}

class FlowFlags : public ::testing::TestWithParam<FlowCase> {};

TEST_P(FlowFlags, WordAndItsMeaningOnTheTty) {
    const FlowCase& c = GetParam();
    DOreDorIror port;
    c.assign(port.FlowCtrl());
    EXPECT_EQ(port.FlowCtrl().FFlags(), c.flags);
    const tty::FlowTermios f = tty::flowTermiosFor(c.flags);
    EXPECT_EQ(f.crtscts, c.crtscts);
    EXPECT_EQ(f.xonxoff, c.xonxoff);
    const tty::ModemLines m = tty::modemLinesFor(c.flags);
    EXPECT_EQ(m.raise, c.raise);
    EXPECT_EQ(m.drop, c.drop);

    termios t{};
    tty::makeRaw(t);
    tty::setFlow(t, c.flags);
    EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, c.crtscts);
    EXPECT_EQ((t.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF), c.xonxoff);
    EXPECT_EQ(t.c_iflag & IXANY, 0u);
}

const int DTR = TIOCM_DTR;
const int RTS = TIOCM_RTS;

INSTANTIATE_TEST_SUITE_P(
    Cases, FlowFlags,
    ::testing::Values(
        FlowCase{"Constructor", [](TFlowCtrl&) {}, 0x1011, false, false, DTR | RTS, 0},
        FlowCase{"EverythingOff",
                 [](TFlowCtrl& f) {
                     f.setRxDtrControl(dtrDisable);
                     f.setRxRtsControl(rtsDisable);
                 },
                 0x0001, false, false, 0, DTR | RTS},
        FlowCase{"CtsFlow", [](TFlowCtrl& f) { f.setTxCtsFlow(true); }, 0x1015, true, false,
                 DTR | RTS, 0},
        FlowCase{"DsrFlow", [](TFlowCtrl& f) { f.setTxDsrFlow(true); }, 0x1019, false, false,
                 DTR | RTS, 0},
        FlowCase{"DsrSensitivity", [](TFlowCtrl& f) { f.setRxDsrSensivity(true); }, 0x1051, false,
                 false, DTR | RTS, 0},
        FlowCase{"ContinueOnXoff", [](TFlowCtrl& f) { f.setTxContinueXoff(true); }, 0x1091, false,
                 false, DTR | RTS, 0},
        FlowCase{"XonXoff", [](TFlowCtrl& f) { f.setXonXoff(true); }, 0x1311, false, true,
                 DTR | RTS, 0},
        FlowCase{"XonXoffOffAgain",
                 [](TFlowCtrl& f) {
                     f.setXonXoff(true);
                     f.setXonXoff(false);
                 },
                 0x1011, false, false, DTR | RTS, 0},
        FlowCase{"DtrHandshake", [](TFlowCtrl& f) { f.setRxDtrControl(dtrHandshake); }, 0x1021,
                 false, false, DTR | RTS, 0},
        FlowCase{"RtsHandshake", [](TFlowCtrl& f) { f.setRxRtsControl(rtsHandshake); }, 0x2011,
                 true, false, DTR, 0},
        FlowCase{"RtsToggle", [](TFlowCtrl& f) { f.setRxRtsControl(rtsToggle); }, 0x3011, false,
                 false, DTR, RTS}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Settings, LineSettingsMapOntoTermios) {
    const struct {
        const char* name;
        std::function<void(termios&)> apply;
        tcflag_t mask;
        tcflag_t bits;
    } cases[] = {
        {"5 bits", [](termios& t) { tty::setByteSize(t, 5); }, CSIZE, CS5},
        {"7 bits", [](termios& t) { tty::setByteSize(t, 7); }, CSIZE, CS7},
        {"9 bits keeps 8", [](termios& t) { tty::setByteSize(t, 9); }, CSIZE, CS8},
        {"none", [](termios& t) { tty::setParity(t, ptNone); }, PARENB | PARODD | CMSPAR, 0},
        {"odd", [](termios& t) { tty::setParity(t, ptOdd); }, PARENB | PARODD | CMSPAR,
         PARENB | PARODD},
        {"even", [](termios& t) { tty::setParity(t, ptEven); }, PARENB | PARODD | CMSPAR, PARENB},
        {"mark", [](termios& t) { tty::setParity(t, ptMark); }, PARENB | PARODD | CMSPAR,
         PARENB | PARODD | CMSPAR},
        {"space", [](termios& t) { tty::setParity(t, ptSpace); }, PARENB | PARODD | CMSPAR,
         PARENB | CMSPAR},
        {"one stop", [](termios& t) { tty::setStopBits(t, sbOne); }, CSTOPB, 0},
        {"1.5 stop", [](termios& t) { tty::setStopBits(t, sbOne_5); }, CSTOPB, CSTOPB},
        {"two stop", [](termios& t) { tty::setStopBits(t, sbTwo); }, CSTOPB, CSTOPB},
    };
    for (const auto& c : cases) {
        termios t{};
        tty::makeRaw(t);
        t.c_cflag |= CSTOPB | PARENB; // whatever was there before
        c.apply(t);
        EXPECT_EQ(t.c_cflag & c.mask, c.bits) << c.name;
        EXPECT_EQ(t.c_iflag & INPCK, 0u) << c.name; // received parity is never checked
    }
}

TEST(Settings, OpenFailureMessageKeepsItsFirstSentence) {
    const QString path = QStringLiteral("/dev/ttyUSB0");
    EXPECT_EQ(tty::openFailureMessage(path, ENOENT),
              QStringLiteral("Cannot open port '/dev/ttyUSB0'"));
    const QString denied = tty::openFailureMessage(path, EACCES);
    EXPECT_TRUE(denied.startsWith(QStringLiteral("Cannot open port '/dev/ttyUSB0'. ")))
        << denied.toStdString();
    EXPECT_TRUE(denied.contains(QStringLiteral("dialout")));
    EXPECT_TRUE(tty::openFailureMessage(path, EBUSY)
                    .startsWith(QStringLiteral("Cannot open port '/dev/ttyUSB0'. ")));
}

} // namespace
