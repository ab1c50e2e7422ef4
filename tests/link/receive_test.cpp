#include "support/link_rig.h"

#include <gtest/gtest.h>

namespace {

ByteString hex(const char* h) {
    return ByteString::fromHex(h);
}

class Receive : public ::testing::Test {
protected:
    void SetUp() override {
        rig.unit.silent = true;
        rig.port.setActive(true);
    }
    // Delivers bytes at t (relative to now) and runs the clock up to it.
    void arrive(std::int64_t dt, const ByteString& bytes) {
        rig.port.deliverAfter(dt, bytes);
        rig.pump.runUntil(rig.pump.nowMs() + dt);
    }
    LinkRig rig;
};

struct FlagCase {
    const char* name;
    int armed;
    const char* lineEnd;
    std::vector<const char*> chunks;
    int flag;
};
void PrintTo(const FlagCase& c, std::ostream* os) {
    *os << c.name;
}

class ReplyFlag : public Receive, public ::testing::WithParamInterface<FlagCase> {};

TEST_P(ReplyFlag, IsSetOnlyByAnArmedChunkHoldingTheReply) {
    const FlagCase& c = GetParam();
    rig.engine.RxArmed = std::uint8_t(c.armed);
    rig.port.setLineEnd(hex(c.lineEnd));
    ByteString all;
    for (const char* chunk : c.chunks) {
        arrive(5, hex(chunk));
        all += hex(chunk);
    }
    EXPECT_EQ(rig.engine.RxFlag, c.flag);
    EXPECT_EQ(rig.engine.RxData, all) << "every byte is kept, in order";
}

INSTANTIATE_TEST_SUITE_P(
    Chunks, ReplyFlag,
    ::testing::Values(FlagCase{"alone", 1, "10", {"10"}, 1},
                      FlagCase{"insideLongerChunk", 1, "CF", {"0011CF22"}, 1},
                      FlagCase{"notArmed", 0, "10", {"10"}, 0},
                      FlagCase{"otherBytes", 1, "10", {"FE", "EF"}, 0},
                      FlagCase{"twoByteReplySplitAcrossChunks", 1, "F58B", {"F5", "8B"}, 0},
                      FlagCase{"twoByteReplyInOneChunk", 1, "F58B", {"00F58B"}, 1},
                      FlagCase{"zeroByteIsData", 1, "00", {"FF00FF"}, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Receive, EveryByteKeepsTheTimeItArrived) {
    const std::int64_t t0 = rig.pump.nowMs();
    arrive(10, hex("AABB"));
    arrive(7, hex("CC"));
    ASSERT_EQ(rig.engine.RxData, hex("AABBCC"));
    EXPECT_EQ(rig.engine.rxArrivalMs(0), t0 + 10);
    EXPECT_EQ(rig.engine.rxArrivalMs(1), t0 + 10);
    EXPECT_EQ(rig.engine.rxArrivalMs(2), t0 + 17);

    // Others cut RxData's front or empty it; the stamps follow.
    rig.engine.RxData.remove(0, 2);
    EXPECT_EQ(rig.engine.rxArrivalMs(0), t0 + 17);
    rig.engine.RxData.clear();
    arrive(3, hex("DD"));
    EXPECT_EQ(rig.engine.rxArrivalMs(0), t0 + 20);
    // A position outside RxData reads as "now", never out of bounds.
    EXPECT_EQ(rig.engine.rxArrivalMs(5), rig.pump.nowMs());
    EXPECT_EQ(rig.engine.rxArrivalMs(-1), rig.pump.nowMs());
}

TEST_F(Receive, BytesNobodyConsumesAreBoundedToTheNewest) {
    // A unit that keeps streaming while no exchange reads: 100 KiB in 1 KiB chunks.
    const std::int64_t t0 = rig.pump.nowMs();
    for (int i = 0; i < 100; ++i)
        arrive(1, ByteString(1024, char('a' + i % 26)));
    ASSERT_EQ(rig.engine.RxData.size(), LinkEngine::RxLimit);
    // The oldest kept byte is the first of chunk 36 (100 - 64), with its own stamp.
    EXPECT_EQ(rig.engine.RxData.front(), char('a' + 36 % 26));
    EXPECT_EQ(rig.engine.RxData.back(), char('a' + 99 % 26));
    EXPECT_EQ(rig.engine.rxArrivalMs(0), t0 + 37);
    EXPECT_EQ(rig.engine.rxArrivalMs(LinkEngine::RxLimit - 1), t0 + 100);
}

TEST_F(Receive, ArrivalEndsARunningPauseAtOnce) {
    const std::int64_t t0 = rig.pump.nowMs();
    rig.port.deliverAfter(4, hex("10"));
    rig.pump.pause(300);
    EXPECT_EQ(rig.pump.nowMs(), t0 + 4);
    // Delivered while events are handled outside a pause: the next pause does not sleep.
    rig.port.deliverAfter(0, hex("11"));
    rig.pump.processPending();
    rig.pump.pause(300);
    EXPECT_EQ(rig.pump.nowMs(), t0 + 4);
    rig.pump.pause(300);
    EXPECT_EQ(rig.pump.nowMs(), t0 + 304);
}

TEST_F(Receive, HangUpClosesThePortAndLeavesItForReconnect) {
    rig.port.hangUpAt(rig.pump.nowMs() + 1);
    rig.pump.runUntil(rig.pump.nowMs() + 1);
    EXPECT_TRUE(rig.engine.portLost());
    EXPECT_FALSE(rig.port.isActive());
    EXPECT_EQ(rig.port.closes(), 1);
    // Nothing can be sent; the exchanges see a silent unit without waiting.
    const std::int64_t t0 = rig.pump.nowMs();
    EXPECT_FALSE(rig.engine.WaitForMngRespond(cmdEcuSelect, true));
    EXPECT_EQ(rig.pump.nowMs(), t0);
    EXPECT_TRUE(rig.port.writes().empty());
}

} // namespace
