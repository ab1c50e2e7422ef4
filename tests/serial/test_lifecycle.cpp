// Losing the device, closing against a waiting event thread, reconnecting.
#include "pty_support.h"

#include "serial/port_names.h"

#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <thread>

#include <time.h>

namespace {

std::int64_t processCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<std::int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

using Lifecycle = PortTest;

TEST_F(Lifecycle, UnplugIsReportedOnceAndNothingSpins) {
    int lost = 0;
    QByteArray got;
    port.OnDataAvailable = [&](DOreDorIror* p) { got += p->ReadString(); };
    port.OnLinkLost = [&](DOreDorIror* p) {
        ++lost;
        EXPECT_EQ(p, &port);
    };
    open();
    pty.write("hi");
    ASSERT_TRUE(waitUntil([&] { return got == "hi"; }));

    const std::int64_t cpuBefore = processCpuMs();
    pty.closeMaster();
    ASSERT_TRUE(waitUntil([&] { return lost == 1; }));
    EXPECT_TRUE(waitUntil([&] { return !port.EventThreadRunning(); }));
    // A thread or loop spinning on the hung-up device would burn this window's CPU.
    runEventsFor(300);
    const std::int64_t cpuUsed = processCpuMs() - cpuBefore;
    EXPECT_LT(cpuUsed, 150) << "CPU time (ms) while the device was gone";

    // Writing to the dead device neither throws nor reports again.
    EXPECT_EQ(port.WriteString("x"), 0);
    runEventsFor(50);
    EXPECT_EQ(lost, 1);
    EXPECT_TRUE(port.Active());
    port.setActive(false);
    EXPECT_FALSE(port.Active());

    // Reconnect: the number now leads to a new device.
    Pty replacement;
    linkComPort(kNumber, replacement.slavePath());
    got.clear();
    open();
    replacement.write("back");
    ASSERT_TRUE(waitUntil([&] { return got == "back"; }));
    EXPECT_EQ(lost, 1);
    port.setActive(false);
}

TEST_F(Lifecycle, ClosingServesADeliveryTheThreadIsWaitingFor) {
    std::vector<QByteArray> got;
    port.OnDataAvailable = [&](DOreDorIror* p) { got.push_back(p->ReadString()); };
    open();
    pty.write("abc");
    // The announcement is set together with the hand-over request, so once it
    // shows, the event thread waits for this thread, which handles no events.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (port.InputCount() == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::yield();
    ASSERT_EQ(port.InputCount(), 3u);
    port.setActive(false);
    EXPECT_FALSE(port.Active());
    EXPECT_EQ(got, (std::vector<QByteArray>{"abc"}));
    EXPECT_FALSE(port.EventThreadRunning());
}

TEST_F(Lifecycle, ClosingFromInsideTheHandlerDoesNotDeadlock) {
    int calls = 0;
    int readAfterClose = -1;
    port.OnDataAvailable = [&](DOreDorIror* p) {
        ++calls;
        p->setActive(false);
        char buf[8];
        readAfterClose = p->Read(buf, 8);
    };
    open();
    pty.write("abc");
    ASSERT_TRUE(waitUntil([&] { return !port.Active(); }));
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(readAfterClose, 0);
    EXPECT_NO_THROW(port.setActive(true));
}

TEST_F(Lifecycle, HandlerThatReadsNothingIsReleasedByClose) {
    // The thread repeats the notification while bytes stay announced; closing
    // must still end it.
    int calls = 0;
    port.OnDataAvailable = [&](DOreDorIror*) { ++calls; };
    open();
    pty.write("zz");
    ASSERT_TRUE(waitUntil([&] { return calls >= 3; }));
    port.setActive(false);
    EXPECT_FALSE(port.EventThreadRunning());
}

TEST_F(Lifecycle, DeliveriesReachANestedEventLoop) {
    // The link engine waits in nested loops inside other events.
    QByteArray got;
    bool nested = false;
    QEventLoop* inner = nullptr;
    port.OnDataAvailable = [&](DOreDorIror* p) {
        got += p->ReadString();
        if (inner)
            inner->quit();
    };
    open();
    QTimer::singleShot(0, [&] {
        QEventLoop loop;
        inner = &loop;
        pty.write("nest");
        QTimer::singleShot(10000, &loop, &QEventLoop::quit);
        loop.exec();
        inner = nullptr;
        nested = got == "nest";
    });
    ASSERT_TRUE(waitUntil([&] { return !got.isEmpty() && !inner; }));
    EXPECT_TRUE(nested);
    EXPECT_EQ(port.DevicePath(), ComPortLinkPath(kNumber));
    port.setPort(kNumber + 1); // the open device keeps its name
    EXPECT_EQ(port.DevicePath(), ComPortLinkPath(kNumber));
}

} // namespace
