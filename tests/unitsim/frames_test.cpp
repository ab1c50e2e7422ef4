// What the units stream after 0xF0: register frames, fault and identification frames,
// and how active tests show in them.

#include "sim_fixture.h"

#include <algorithm>
#include <set>

namespace {

class Frames : public SimFixture {
protected:
    // Sends the request, waits for its echo (as long as the request in every case here),
    // starts the stream, collects count whole frames and stops it.
    std::vector<QByteArray> stream(const QByteArray& request, std::size_t count) {
        EXPECT_EQ(line().exchange(request, request.size()).size(), request.size());
        line().clear();
        line().send(hex("F0"));
        EXPECT_TRUE(line().waitUntil([&] { return splitFrames(line().received()).size() >= count; },
                                     20000));
        auto frames = splitFrames(line().received());
        stopStream();
        frames.resize(std::min(frames.size(), count));
        return frames;
    }
};

int word(const QByteArray& f, int i) {
    return static_cast<unsigned char>(f[i]) * 256 + static_cast<unsigned char>(f[i + 1]);
}
int byteAt(const QByteArray& f, int i) {
    return static_cast<unsigned char>(f[i]);
}

TEST_F(Frames, RegistersComeInRequestOrder) {
    start(fastConfig());
    select(2);
    // Battery (0x0C), throttle (0x0D), then coolant (0x08): request order, not address order.
    const auto frames = stream(hex("5A0C5A0D5A08"), 200);
    ASSERT_EQ(frames.size(), 200u);
    for (const QByteArray& f : frames) {
        ASSERT_EQ(f.size(), 5);
        EXPECT_EQ(f.left(2), hex("FF03"));
        EXPECT_NEAR(byteAt(f, 2) * 0.08, 14.0, 0.7);  // battery volts
        EXPECT_NEAR(byteAt(f, 3) * 0.02, 0.46, 0.05); // closed throttle volts
        EXPECT_NEAR(byteAt(f, 4) - 50, 25, 5);        // a cold engine, degrees
    }
}

TEST_F(Frames, EngineIdlesWithNoiseAndWarmsUp) {
    start(fastConfig());
    select(2);
    // CAS position high and low byte, O2 left, coolant. Frames of 6 bytes span 6.25 ms
    // of engine time each.
    const auto frames = stream(hex("5A005A015A095A08"), 20000);
    ASSERT_EQ(frames.size(), 20000u);
    std::vector<int> rpm;
    int o2Switches = 0;
    bool rich = byteAt(frames[0], 4) > 45;
    for (const QByteArray& f : frames) {
        rpm.push_back(qRound(word(f, 2) * 12.5));
        const bool nowRich = byteAt(f, 4) > 45;
        o2Switches += nowRich != rich;
        rich = nowRich;
    }
    // Idle with noise; throttle blips now and then lie above the upper tenth.
    std::vector<int> idle(rpm.begin() + 2000, rpm.end());
    std::sort(idle.begin(), idle.end());
    const int p10 = idle[idle.size() / 10];
    const int p90 = idle[idle.size() * 9 / 10];
    EXPECT_GT(p10, 700);
    EXPECT_LT(p90, 1400);
    EXPECT_GT(p90 - p10, 20);
    // 125 s of engine time: the oxygen sensor switched about twice a second.
    EXPECT_NEAR(o2Switches, 250, 30);
    EXPECT_GT(byteAt(frames.back(), 5), byteAt(frames.front(), 5) + 20); // warmer
}

TEST_F(Frames, AtStreamsEverySupportedRegisterInTableOrder) {
    start(fastConfig());
    select(3);
    // 0x9F asks for everything; 18 registers, each group byte once.
    const auto all = stream(hex("9F"), 3);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].left(2), hex("FF12"));

    // With only three registers supported, the frame carries those three in table order
    // (group 0x08, gear, lever), and the car drives through all four gears.
    unitsim::SimConfig config = fastConfig();
    ASSERT_TRUE(unitsim::applyOption(config, QStringLiteral("at-registers"),
                                     QStringLiteral("none 0D 0C 08"), nullptr));
    start(config);
    select(3);
    const auto frames = stream(hex("9F"), 8000); // 42 s of driving
    std::set<int> gears;
    for (const QByteArray& f : frames) {
        ASSERT_EQ(f.left(2), hex("FF03"));
        const int gear = byteAt(f, 3) + 1;
        const int lever = byteAt(f, 4) - 128;
        gears.insert(gear);
        ASSERT_TRUE(lever == 0 || lever == 2 || lever == 3) << lever; // P, N or D
        if (gear > 1) {
            EXPECT_EQ(lever, 3) << "a gear above first needs the lever in D";
        }
    }
    EXPECT_EQ(gears, (std::set<int>{1, 2, 3, 4}));
}

struct FaultCase {
    const char* name;
    const char* faults;                // ecu-faults option
    std::vector<const char*> commands; // each starts a stream of its own
    const char* frame;                 // every frame of the last stream
};

class FaultFrames : public Frames, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(FaultFrames, RepeatUntilExit) {
    unitsim::SimConfig config = fastConfig();
    ASSERT_TRUE(unitsim::applyOption(config, QStringLiteral("ecu-faults"),
                                     QString::fromLatin1(GetParam().faults), nullptr));
    start(config);
    select(2);
    std::vector<QByteArray> frames;
    for (const char* command : GetParam().commands)
        frames = stream(hex(command), 5);
    ASSERT_EQ(frames.size(), 5u);
    for (const QByteArray& f : frames)
        EXPECT_EQ(f.toHex(' '), hex(GetParam().frame).toHex(' '));
}

const FaultCase FaultCases[] = {
    {"StoredCodes", "21:5, 43:0", {"D1", "D1"}, "FF04 2105 4300"},
    {"NoCodesReadsNormal", "none", {"D1"}, "FF02 5500"},
    {"ClearedUnitReadsNormal", "21:5, 43:0", {"C1"}, "FF02 5500"},
    {"StaysCleared", "21:5, 43:0", {"D1", "C1", "D1"}, "FF02 5500"},
    {"Identification", "none", {"D0"}, "FF16 5A562D53494D2D30303031 0001102003240506070809"},
};

INSTANTIATE_TEST_SUITE_P(Ecu, FaultFrames, ::testing::ValuesIn(FaultCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Frames, AtFaultsAndConfiguredIdentification) {
    unitsim::SimConfig config = fastConfig();
    ASSERT_TRUE(unitsim::applyOption(config, QStringLiteral("at-faults"),
                                     QStringLiteral("B1:2 0C:255"), nullptr));
    ASSERT_TRUE(unitsim::applyOption(config, QStringLiteral("at-ident"),
                                     QStringLiteral("00 11 22 33 44 55 66 77 88 99 AA BB CC DD "
                                                    "EE FF 10 20 30 40 50 60"),
                                     nullptr));
    start(config);
    select(3);
    EXPECT_EQ(stream(hex("D1"), 2).at(1), hex("FF04B1020CFF"));
    // A data byte of 0xFF goes out as it is, as on the real line.
    EXPECT_EQ(stream(hex("D0"), 2).at(1), hex("FF16 00112233445566778899AABBCCDDEEFF102030405060"));
}

struct OverrideCase {
    const char* name;
    const char* request;
    int dataIndex; // byte of the frame to look at
    int mask;      // bits of it that matter
    int expected;
};

class Overrides : public Frames, public ::testing::WithParamInterface<OverrideCase> {};

TEST_P(Overrides, ActiveTestShowsInEveryFrame) {
    start(fastConfig());
    select(2);
    for (const QByteArray& f : stream(hex(GetParam().request), 50))
        EXPECT_EQ(byteAt(f, GetParam().dataIndex) & GetParam().mask, GetParam().expected)
            << f.toHex(' ').constData();
}

const OverrideCase OverrideCases[] = {
    {"CoolantTemperature", "0A808C 5A08", 2, 0xFF, 0x8C},
    {"CoolantByteFFSentAsIs", "0A80FF 5A08", 2, 0xFF, 0xFF},
    {"NoFanWhenCold", "5A1E", 2, 0x03, 0x00},
    {"FanLow", "0A9301 5A1E", 2, 0x03, 0x01},
    {"FanHigh", "0A9401 5A1E", 2, 0x03, 0x02},
    {"HotCoolantStartsTheFans", "0A80A0 5A1E", 2, 0x03, 0x03},
    {"FuelPumpOff", "0A8900 5A1E", 2, 0x40, 0x00},
    {"FuelPumpOnNormally", "5A1E", 2, 0x40, 0x40},
    {"IacvOpening", "0A858C 5A18", 2, 0xFF, 200},
};

INSTANTIATE_TEST_SUITE_P(Ecu, Overrides, ::testing::ValuesIn(OverrideCases),
                         [](const auto& info) { return std::string(info.param.name); });

// Power balance: each cut cylinder lowers the idle speed; the weak one barely.
TEST_F(Frames, PowerBalanceShowsTheWeakCylinder) {
    const auto meanRpm = [&](const char* cut) {
        start(fastConfig()); // a fresh engine for every cut, so only the cut differs
        select(2);
        const auto frames = stream(hex("0A858C") + hex(cut) + hex("5A005A01"), 800);
        // Frames of 4 bytes: from 500 on the speed has settled for 2 s.
        double sum = 0;
        for (std::size_t i = 500; i < frames.size(); ++i)
            sum += word(frames[i], 2) * 12.5;
        return sum / static_cast<double>(frames.size() - 500);
    };
    const double open = meanRpm("");
    std::vector<double> drops;
    for (int c = 1; c <= 6; ++c) {
        const QByteArray cut = "0A88" + QByteArray::number(1 << (c - 1), 16).rightJustified(2, '0');
        drops.push_back(open - meanRpm(cut.constData()));
    }
    const auto weakest = std::min_element(drops.begin(), drops.end()) - drops.begin();
    EXPECT_EQ(weakest + 1, 3);
    for (int c = 0; c < 6; ++c) {
        if (c != 2) {
            EXPECT_GT(drops[c], 80.0) << "cylinder " << c + 1;
            EXPECT_GT(drops[c], 3 * drops[2]) << "cylinder " << c + 1;
        }
    }
    EXPECT_GT(drops[2], 5.0);
    EXPECT_LT(meanRpm("0A88FF"), 1.0); // every cylinder cut: the engine stops
}

} // namespace
