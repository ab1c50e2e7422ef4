// The four receive modes and the handler contract, with real bytes on a pty.
#include "pty_support.h"

#include "serial/monotonic_ms.h"

#include <stdexcept>
#include <vector>

namespace {

using Receive = PortTest;

TEST_F(Receive, DirectModeRepeatsUntilEverythingIsRead) {
    std::vector<std::uint32_t> announced;
    QByteArray got;
    std::vector<int> sizes;
    std::int64_t arrival = 0;
    port.OnDataAvailable = [&](DOreDorIror* p) {
        announced.push_back(p->InputCount());
        char buf[4];
        const int n = p->Read(buf, 4);
        sizes.push_back(n);
        got.append(buf, n);
        arrival = p->ArrivalMs();
    };
    open();
    const QByteArray sent = bytesOf({0x00, 0xFF, 0x0D, 0x0A, 0x11, 0x13, 0x03, 0x1A, 0x7F, 0x80});
    const std::int64_t before = ZvMonotonicMs();
    pty.write(sent);
    ASSERT_TRUE(waitUntil([&] { return got.size() == sent.size(); }));
    const std::int64_t after = ZvMonotonicMs();
    EXPECT_EQ(announced, (std::vector<std::uint32_t>{10, 6, 2}));
    EXPECT_EQ(sizes, (std::vector<int>{4, 4, 2}));
    EXPECT_EQ(got, sent);
    EXPECT_GE(arrival, before);
    EXPECT_LE(arrival, after);
    EXPECT_EQ(port.InputCount(), 0u);
}

TEST_F(Receive, ReadLimitsAndEmptyReadString) {
    std::vector<int> results;
    std::vector<std::uint32_t> counts;
    port.OnDataAvailable = [&](DOreDorIror* p) {
        char buf[100];
        results.push_back(p->Read(buf, 0));
        results.push_back(p->Read(buf, -5));
        counts.push_back(p->InputCount());
        results.push_back(p->Read(buf, 100));
        results.push_back(static_cast<int>(p->ReadString().size()));
    };
    open();
    pty.write("1234567");
    ASSERT_TRUE(waitUntil([&] { return results.size() == 4; }));
    EXPECT_EQ(results, (std::vector<int>{0, 0, 7, 0}));
    EXPECT_EQ(counts, (std::vector<std::uint32_t>{7}));
}

TEST_F(Receive, WithoutHandlerBytesArePurgedNeverAnnounced) {
    open();
    pty.write("12345");
    ASSERT_TRUE(waitUntil([&] { return port.BytesReceived() == 5; }));
    EXPECT_EQ(port.InputCount(), 0u);
    std::vector<QByteArray> got;
    port.OnDataAvailable = [&](DOreDorIror* p) { got.push_back(p->ReadString()); };
    pty.write("6");
    ASSERT_TRUE(waitUntil([&] { return !got.empty(); }));
    EXPECT_EQ(got, (std::vector<QByteArray>{"6"}));
}

// Buffered modes: chunks written one after another, each taken by the event
// thread before the next; what each notification offered.
struct BufferedCase {
    const char* name;
    std::function<void(DOreDorIror&)> mode;
    std::vector<QByteArray> chunks;
    std::vector<QByteArray> notifications;
    QByteArray more;     // written afterwards: completes what waited
    QByteArray nextNote; // the notification it brings
};

void PrintTo(const BufferedCase& c, std::ostream* os) {
    *os << c.name;
}

class Buffered : public PortTest, public ::testing::WithParamInterface<BufferedCase> {};

TEST_P(Buffered, AnnouncesWhatTheModeDemands) {
    const BufferedCase& c = GetParam();
    std::vector<QByteArray> got;
    c.mode(port);
    port.OnDataAvailable = [&](DOreDorIror* p) {
        // The handler reads what is announced.
        QByteArray s;
        p->ReadString(s);
        got.push_back(s);
    };
    open();
    std::uint64_t sent = 0;
    for (const QByteArray& chunk : c.chunks) {
        pty.write(chunk);
        sent += static_cast<std::uint64_t>(chunk.size());
        ASSERT_TRUE(waitUntil([&] { return port.BytesReceived() == sent; }));
    }
    ASSERT_TRUE(waitUntil([&] { return got.size() >= c.notifications.size(); }));
    EXPECT_EQ(got, c.notifications);
    pty.write(c.more);
    ASSERT_TRUE(waitUntil([&] { return got.size() == c.notifications.size() + 1; }));
    EXPECT_EQ(got.back(), c.nextNote);
}

void lineMode(DOreDorIror& p) {
    p.setLineMode(true);
}
void threshold4(DOreDorIror& p) {
    p.setRxThresholdUse(true);
    p.setRxThresholdAmount(4);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Buffered,
    ::testing::Values(
        BufferedCase{"LineWhole",
                     lineMode,
                     {bytesOf({0x41, 0x42, 0x0D, 0x0A, 0x43, 0x44})},
                     {bytesOf({0x41, 0x42, 0x0D, 0x0A})},
                     "\r\n",
                     "CD\r\n"},
        BufferedCase{"LineSplitTerminator",
                     lineMode,
                     {bytesOf({0x41, 0x42, 0x0D}), bytesOf({0x0A, 0x43, 0x44})},
                     {bytesOf({0x41, 0x42, 0x0D, 0x0A})},
                     "\r\n",
                     "CD\r\n"},
        BufferedCase{"LineTwoInOneChunk",
                     lineMode,
                     {"AB\r\nCD\r\nE"},
                     {"AB\r\n", "CD\r\n"},
                     "\r\n",
                     "E\r\n"},
        BufferedCase{"LineNoTerminatorYet", lineMode, {"AB\r", "x"}, {}, "\r\n", "AB\rx\r\n"},
        BufferedCase{"Threshold", threshold4, {"0123456789"}, {"0123", "4567"}, "ab", "89ab"},
        BufferedCase{"ThresholdAcrossChunks", threshold4, {"01", "2"}, {}, "3", "0123"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Receive, TimeoutModeAnnouncesChunksTogetherOnceTheLineIsQuiet) {
    // Long enough that a busy test machine never splits the two chunks.
    port.setRxTimeout(500);
    std::vector<QByteArray> got;
    std::int64_t arrival = 0;
    port.OnDataAvailable = [&](DOreDorIror* p) {
        got.push_back(p->ReadString());
        arrival = p->ArrivalMs();
    };
    open();
    pty.write("abc");
    ASSERT_TRUE(waitUntil([&] { return port.BytesReceived() == 3; }));
    EXPECT_TRUE(got.empty());
    const std::int64_t secondSent = ZvMonotonicMs();
    pty.write("de");
    ASSERT_TRUE(waitUntil([&] { return !got.empty(); }));
    EXPECT_EQ(got, (std::vector<QByteArray>{"abcde"}));
    EXPECT_GE(arrival, secondSent); // stamped with the last chunk
    pty.write("f");
    ASSERT_TRUE(waitUntil([&] { return got.size() == 2; }));
    EXPECT_EQ(got[1], "f");
}

struct ExceptionCase {
    const char* name;
    bool assignBg;
    bool bgThrows;
};

void PrintTo(const ExceptionCase& c, std::ostream* os) {
    *os << c.name;
}

class HandlerException : public PortTest, public ::testing::WithParamInterface<ExceptionCase> {};

TEST_P(HandlerException, IsSwallowedAndTheNextNotificationIsProcessed) {
    std::vector<QByteArray> got;
    std::vector<std::string> background;
    port.OnDataAvailable = [&](DOreDorIror* p) {
        got.push_back(p->ReadString());
        if (got.size() == 1)
            throw std::runtime_error("handler failed");
    };
    if (GetParam().assignBg) {
        port.OnBGException = [&](DOreDorIror*, const std::exception& e) {
            background.emplace_back(e.what());
            if (GetParam().bgThrows)
                throw std::logic_error("and again");
        };
    }
    open();
    pty.write("1");
    ASSERT_TRUE(waitUntil([&] { return got.size() == 1; }));
    pty.write("2");
    ASSERT_TRUE(waitUntil([&] { return got.size() == 2; }));
    EXPECT_EQ(got, (std::vector<QByteArray>{"1", "2"}));
    const std::vector<std::string> expected = GetParam().assignBg
                                                  ? std::vector<std::string>{"handler failed"}
                                                  : std::vector<std::string>{};
    EXPECT_EQ(background, expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, HandlerException,
                         ::testing::Values(ExceptionCase{"Unassigned", false, false},
                                           ExceptionCase{"Reported", true, false},
                                           ExceptionCase{"ReporterThrowsToo", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Receive, ClosingOffersWhatABufferedModeStillHolds) {
    port.setRxTimeout(60000);
    std::vector<std::pair<bool, QByteArray>> calls;
    port.OnDataAvailable = [&](DOreDorIror* p) {
        calls.emplace_back(p->Active(), p->ReadString());
    };
    open();
    pty.write("xyz");
    ASSERT_TRUE(waitUntil([&] { return port.InputCount() == 3; }));
    port.setActive(false);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_TRUE(calls[0].first);
    EXPECT_EQ(calls[0].second, "xyz");
}

TEST(ReceiveDestroy, DestroyingSkipsTheFinalDelivery) {
    Pty pty;
    linkComPort(151, pty.slavePath());
    int calls = 0;
    {
        DOreDorIror port;
        port.setPort(151);
        port.setRxTimeout(60000);
        port.OnDataAvailable = [&](DOreDorIror*) { ++calls; };
        port.setActive(true);
        pty.write("xyz");
        ASSERT_TRUE(waitUntil([&] { return port.InputCount() == 3; }));
    }
    EXPECT_EQ(calls, 0);
    unlinkComPort(151);
}

} // namespace

namespace {

TEST_F(Receive, BytesHeldFromBeforeTheOpenAreDiscarded) {
    std::vector<QByteArray> got;
    port.OnDataAvailable = [&](DOreDorIror* p) { got.push_back(p->ReadString()); };
    open();
    port.setActive(false);
    pty.write("stale"); // the unit kept talking while the port was closed
    open();
    pty.write("fresh");
    ASSERT_TRUE(waitUntil([&] { return !got.empty() && got.back().endsWith("fresh"); }));
    EXPECT_EQ(got, (std::vector<QByteArray>{"fresh"}));
}

} // namespace
