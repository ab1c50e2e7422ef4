// Sending: every byte value unchanged, nothing dropped when the kernel pushes back.
#include "pty_support.h"

namespace {

using Write = PortTest;

TEST_F(Write, EveryByteValuePassesUnchanged) {
    open();
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(static_cast<char>(i));
    EXPECT_EQ(port.WriteString(all), 256);
    EXPECT_EQ(pty.read(256), all);
}

TEST_F(Write, WhatTheKernelCannotTakeIsSentLaterInOrder) {
    int sent = 0;
    port.OnDataSent = [&](DOreDorIror*) { ++sent; };
    open();
    QByteArray big(256 * 1024, Qt::Uninitialized);
    for (qsizetype i = 0; i < big.size(); ++i)
        big[i] = static_cast<char>((i * 7 + i / 251) & 0xFF);
    const int now = port.WriteString(big);
    EXPECT_LT(now, big.size());             // a pty pushes back long before 256 KiB
    EXPECT_EQ(port.WriteString("tail"), 0); // queued behind the rest
    EXPECT_EQ(pty.read(static_cast<int>(big.size()) + 4), big + "tail");
    ASSERT_TRUE(waitUntil([&] { return sent >= 1; }));
}

} // namespace
