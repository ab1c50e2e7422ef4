// How the units behave on the line: pacing, silence, noise, hang-up, the port being
// closed and opened again.

#include "sim_fixture.h"

#include <QFileInfo>

#include <poll.h>

namespace {

class Line : public SimFixture {
protected:
    // Selects the engine unit, asks for the registers and starts the stream.
    void startStream(const QByteArray& request) {
        select(2);
        ASSERT_EQ(line().exchange(request, request.size()).size(), request.size());
        line().clear();
        line().send(hex("F0"));
    }
};

struct PacingCase {
    const char* name;
    double fps;
    double periodMs; // expected frame period
};

class Pacing : public Line, public ::testing::WithParamInterface<PacingCase> {};

// In paced mode frames leave at the line's pace: 10-byte frames take 10 byte times of
// 1.0417 ms, or the period of the frame rate when that is slower. Measured over the
// arrivals of 50 or 100 frames, so the scheduling jitter of a busy machine stays far
// below the 5 % allowed.
TEST_P(Pacing, FramePeriodFollowsTheLine) {
    unitsim::SimConfig config = fastConfig();
    config.fast = false;
    config.framesPerSecond = GetParam().fps;
    start(config);
    // Eight registers: frames of 10 bytes.
    startStream(hex("5A085A095A0A5A0C5A0D5A0F5A105A11"));
    const std::size_t frames = GetParam().fps > 0 ? 50 : 100;
    const qsizetype needed = static_cast<qsizetype>(frames + 1) * 10;
    ASSERT_TRUE(line().waitForBytes(needed, 20000));
    stopStream();

    // Arrival time of the byte at each offset.
    const auto arrivalOf = [&](qsizetype offset) {
        qsizetype seen = 0;
        for (const auto& a : line().arrivals()) {
            seen += a.bytes.size();
            if (seen > offset)
                return a.ms;
        }
        return std::int64_t{-1};
    };
    ASSERT_EQ(static_cast<std::size_t>(splitFrames(line().received().left(needed)).size()),
              frames + 1);
    // The least-squares slope of frame start against frame number: one late
    // wake-up of the reading side moves a single point, not the whole figure.
    double sumK = 0, sumT = 0, sumKK = 0, sumKT = 0;
    const double n = static_cast<double>(frames + 1);
    for (std::size_t k = 0; k <= frames; ++k) {
        const double t = static_cast<double>(arrivalOf(static_cast<qsizetype>(k) * 10));
        const double kk = static_cast<double>(k);
        sumK += kk;
        sumT += t;
        sumKK += kk * kk;
        sumKT += kk * t;
    }
    const double period = (n * sumKT - sumK * sumT) / (n * sumKK - sumK * sumK);
    EXPECT_NEAR(period, GetParam().periodMs, GetParam().periodMs * 0.05);
}

INSTANTIATE_TEST_SUITE_P(Paced, Pacing,
                         ::testing::Values(PacingCase{"BackToBack", 0.0, 10 * 1.0417},
                                           PacingCase{"TwentyFivePerSecond", 25.0, 40.0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Line, FallsSilentAfterNFrames) {
    unitsim::SimConfig config = fastConfig();
    config.silenceAfterFrames = 5;
    start(config);
    startStream(hex("5A0C"));
    ASSERT_TRUE(line().waitForBytes(5 * 3));
    ASSERT_TRUE(line().waitUntil([&] { return sim().framesSent() == 5; }));
    // Neither the stop nor a new selection is answered any more: once the unit has taken
    // them in, it has still sent nothing beyond the five frames.
    const std::uint64_t sent = sim().bytesSent();
    line().send(hex("30FFFFEF"));
    ASSERT_TRUE(line().waitUntil([&] { return sim().bytesProcessed() == 3 + 2 + 1 + 4; }));
    EXPECT_EQ(sim().bytesSent(), sent);
    EXPECT_EQ(sim().framesSent(), 5u);
    qsizetype end = 0;
    EXPECT_EQ(splitFrames(line().received(), &end).size(), 5u);
    EXPECT_EQ(end, line().received().size());
}

TEST_F(Line, HangUpLooksLikeAPulledCable) {
    unitsim::SimConfig config = fastConfig();
    config.hangupAfterSeconds = 0.3;
    start(config);
    const QString link = sim().linkPath();
    ASSERT_TRUE(QFileInfo(link).isSymLink());
    startStream(hex("5A0C"));
    EXPECT_TRUE(line().waitUntil([&] { return line().linkLost(); }, 10000));
    pollfd p{sim().finishedFd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 5000), 1);
    EXPECT_TRUE(sim().hungUp());
    EXPECT_TRUE(sim().failure().isEmpty());
    EXPECT_FALSE(QFileInfo(link).isSymLink());
    EXPECT_FALSE(line().open()) << "the device is gone";
}

// The program may close the port (also in the middle of a stream) and open it again.
TEST_F(Line, ServesAgainAfterThePortWasReopened) {
    start(fastConfig());
    select(2);
    line().close();
    ASSERT_TRUE(line().open());
    select(2);
    ASSERT_EQ(line().exchange(hex("5A0C"), 2), hex("A50C"));
    line().send(hex("F0"));
    ASSERT_TRUE(line().waitForBytes(300));
    line().close();
    // Nobody reads now: the unit must neither spin nor give up.
    ASSERT_TRUE(line().open());
    stopStream();
    select(2);
    EXPECT_EQ(line().exchange(hex("5A0D"), 2), hex("A50D"));
}

// In paced mode a program that stops reading loses bytes, as on a real line, instead of
// finding seconds of stale frames when it reads again; the unit keeps serving.
TEST_F(Line, UnreadBytesAreLostNotStoredInPacedMode) {
    unitsim::SimConfig config = fastConfig();
    config.fast = false;
    start(config);
    startStream(hex("5A0C5A0D5A085A09"));
    ASSERT_TRUE(line().waitForBytes(60));
    line().close();
    ASSERT_TRUE(line().waitUntil([&] { return sim().bytesDropped() > 0; }, 20000));
    ASSERT_TRUE(line().open());
    line().clear();
    stopStream();
    EXPECT_LT(line().received().size(), 4200);
    select(2);
}

struct SeedCase {
    const char* name;
    std::uint64_t seedA;
    std::uint64_t seedB;
    double noise;
    bool same;
};

class Determinism : public Line, public ::testing::WithParamInterface<SeedCase> {
protected:
    QByteArray firstBytes(std::uint64_t seed, double noise) {
        unitsim::SimConfig config = fastConfig();
        config.seed = seed;
        config.noise = noise;
        start(config);
        line().send(hex("FFFFEF5A005A015A095A0C"));
        EXPECT_TRUE(line().waitUntil([&] { return sim().bytesProcessed() == 11; }));
        line().send(hex("F0"));
        EXPECT_TRUE(line().waitForBytes(6000, 10000));
        return line().received().left(6000);
    }
};

TEST_P(Determinism, SameSeedSameBytes) {
    const QByteArray a = firstBytes(GetParam().seedA, GetParam().noise);
    const QByteArray b = firstBytes(GetParam().seedB, GetParam().noise);
    EXPECT_EQ(a == b, GetParam().same);
}

INSTANTIATE_TEST_SUITE_P(Seeds, Determinism,
                         ::testing::Values(SeedCase{"SameSeed", 42, 42, 0.0, true},
                                           SeedCase{"SameSeedWithNoise", 42, 42, 0.02, true},
                                           SeedCase{"OtherSeed", 42, 43, 0.0, false},
                                           SeedCase{"OtherSeedWithNoise", 42, 43, 0.02, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// Counts well-formed battery frames (FF 01 b, b a plausible voltage) found by scanning.
int intactFrames(const QByteArray& bytes) {
    int n = 0;
    for (qsizetype i = 0; i + 2 < bytes.size(); ++i) {
        const int b = static_cast<unsigned char>(bytes[i + 2]);
        if (bytes[i] == '\xFF' && bytes[i + 1] == '\x01' && b >= 160 && b <= 190) {
            ++n;
            i += 2;
        }
    }
    return n;
}

TEST_F(Line, NoiseGarblesAboutTheRequestedShare) {
    for (const double noise : {0.0, 0.05}) {
        unitsim::SimConfig config = fastConfig();
        config.noise = noise;
        start(config);
        line().send(hex("FFFFEF5A0C"));
        ASSERT_TRUE(line().waitUntil([&] { return sim().bytesProcessed() == 5; }));
        line().clear();
        line().send(hex("F0"));
        ASSERT_TRUE(line().waitForBytes(30000, 10000));
        // Share of the bytes that belong to intact frames.
        const double share =
            3.0 * static_cast<double>(intactFrames(line().received().left(30000))) / 30000.0;
        if (noise == 0.0) {
            EXPECT_GT(share, 0.999); // all but the echo bytes that may lead the stream
        } else {
            // A 3-byte frame survives 5 % noise per byte about 86 % of the time.
            EXPECT_GT(share, 0.75);
            EXPECT_LT(share, 0.95);
        }
    }
}

} // namespace
