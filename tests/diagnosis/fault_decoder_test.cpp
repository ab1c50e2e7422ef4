#include "diagnosis/fault_decoder.h"
#include "support/gtest_qt.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <ostream>

namespace {

// "#RRGGBB text", or "current text" for a line that keeps the colour last set.
QStringList describe(const std::vector<ReportLine>& lines) {
    QStringList out;
    for (const ReportLine& l : lines) {
        const QString colour =
            l.colour ? QStringLiteral("#%1").arg(*l.colour, 6, 16, QLatin1Char('0')).toUpper()
                     : QStringLiteral("current");
        out << colour + QLatin1Char(' ') + l.text;
    }
    return out;
}

struct DecodeCase {
    const char* name;
    int unit;
    int mode;
    const char* hex;
    bool complete;
    qsizetype position; // checked when complete
    QStringList lines;
};

void PrintTo(const DecodeCase& c, std::ostream* os) {
    *os << c.name;
}

const QString Starts = QStringLiteral(" engine starts passed.");

const DecodeCase Cases[] = {
    {"NormalOperation",
     2,
     1,
     "ff025500ff",
     true,
     5,
     {"#FF0000  5- 5: Normal operation        0" + Starts}},
    {"TwoFaults",
     2,
     1,
     "ff0421054300ff",
     true,
     7,
     {"#FF0000  2- 1: Ignition signal        5" + Starts,
      "#FF0000  4- 3: Throttle position sensor (TPS)        0" + Starts}},
    {"UnknownCode",
     2,
     1,
     "ff021501ff",
     true,
     5,
     {"#FF0000  1- 5: Unknown error has happened        1" + Starts}},
    {"ClearingDecodesAsReading",
     2,
     2,
     "ff025503ff",
     true,
     5,
     {"#FF0000  5- 5: Normal operation        3" + Starts}},
    {"HighNibbleTwoDigits",
     2,
     1,
     "ff02a307ff",
     true,
     5,
     {"#FF0000 10- 3: Park / neutral switch malfunction        7" + Starts}},
    {"SharedTextAndFullCount",
     2,
     1,
     "ff04c1ffb800ff",
     true,
     7,
     {"#FF0000 12- 1: Shift solenoid, A/T      255" + Starts,
      "#FF0000 11- 8: Shift solenoid, A/T        0" + Starts}},
    {"TextWithTrailingBlank",
     2,
     1,
     "ff021109ff",
     true,
     5,
     {"#FF0000  1- 1: Camshaft position sensor / circuit " + QString(8, QLatin1Char(' ')) + "9" +
      Starts}},
    {"NoByteAfterTheFrameYet", 2, 1, "ff025500", false, 0, {}},
    {"NothingArrived", 2, 1, "", false, 0, {}},
    {"LengthByteMissing", 2, 1, "ff", false, 0, {}},
    {"LengthPointsPastTheData", 2, 1, "ff095500ff09", false, 0, {}},
    {"GarbageBeforeTheFrame",
     2,
     1,
     "2e0013ff025500ff",
     true,
     8,
     {"#FF0000  5- 5: Normal operation        0" + Starts}},
    // The unit repeats its frame: a frame not followed by the next one's 0xFF was
    // noise, and the search goes on.
    {"FrameNotFollowedByTheNextIsPassedOver",
     2,
     1,
     "ff0255002105ff025500ff",
     true,
     11,
     {"#FF0000  5- 5: Normal operation        0" + Starts}},
    {"NoiseFrameStartBeforeTheFrame",
     2,
     1,
     "ff0333ff025500ff",
     true,
     8,
     {"#FF0000  5- 5: Normal operation        0" + Starts}},
    {"NoiseFrameStartWaitsUntilItCanBeJudged", 2, 1, "ff0933ff025500ff", false, 0, {}},

    {"OddCountLeavesTheLoneCode",
     2,
     1,
     "ff03210543ff",
     true,
     5,
     {"#FF0000  2- 1: Ignition signal        5" + Starts}},
    {"FrameStartEndsTheEntries",
     2,
     1,
     "ff045500ff00ff",
     true,
     5,
     {"#FF0000  5- 5: Normal operation        0" + Starts}},
    {"EmptyFrame", 2, 1, "ff00ff", true, 3, {}},
    {"Identification",
     2,
     3,
     "ff16000102030405060708090a0b0c0d0e0f10111213ff15ff",
     true,
     25,
     {"#008000 ECU info: 000102030405060708090A0B0C0D0E0F10111213FF15"}},
    {"LongIdentificationInBlocks",
     2,
     3,
     "ff1a0102030405060708090a0b0c0d0e0f10111213141516a1a2a3a4ff",
     true,
     29,
     {"#008000 ECU info: 0102030405060708090A0B0C0D0E0F10111213141516",
      "#008000 ECU info: A1A2A3A4"}},
    {"OtherUnitBytesRightAligned",
     3,
     1,
     "ff030a0b0cff",
     true,
     6,
     {"current   10: Unknown error.", "current   11: Unknown error.",
      "current   12: Unknown error."}},
    {"OtherUnitPastAGroupOfThree",
     3,
     1,
     "ff0401ff0304ff",
     true,
     7,
     {"current    1: Unknown error.", "current  255: Unknown error.",
      "current    3: Unknown error.", "current    4: Unknown error."}},
    {"OtherUnitStopsAtAGroupStartingWithFrameStart",
     3,
     1,
     "ff04010203ffff",
     true,
     6,
     {"current    1: Unknown error.", "current    2: Unknown error.",
      "current    3: Unknown error."}},
    {"OtherUnitShortFrame",
     3,
     1,
     "ff020a0bff",
     true,
     5,
     {"current   10: Unknown error.", "current   11: Unknown error."}},
    {"EngineUnitHasNoOtherRequest", 2, 4, "ff025500ff", true, 3, {}},
};

class Decode : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(Decode, Reply) {
    const DecodeCase& c = GetParam();
    const FaultFrame f = decodeFaultReply(c.unit, c.mode, QByteArray::fromHex(c.hex));
    EXPECT_EQ(f.complete, c.complete);
    if (c.complete) {
        EXPECT_EQ(f.position, c.position);
    }
    EXPECT_EQ(describe(f.lines), c.lines);
}

INSTANTIATE_TEST_SUITE_P(FaultReplies, Decode, ::testing::ValuesIn(Cases),
                         [](const auto& info) { return std::string(info.param.name); });

// A buffer that begins inside a frame whose last data byte is 0xFF: that byte and
// the next frame's start look like a frame of 255 bytes until enough has arrived.
TEST(DecodeFrame, BufferBeginningInsideAFrameEndingInFrameStart) {
    const ByteString frame =
        QByteArray::fromHex("ff16000102030405060708090a0b0c0d0e0f10111213ffff");
    ByteString rx = QByteArray::fromHex("55ff");
    while (rx.size() < 2 + 255 + 1)
        rx += frame;
    EXPECT_FALSE(decodeFaultReply(2, 3, rx.left(2 + 255)).complete);

    const FaultFrame f = decodeFaultReply(2, 3, rx);
    ASSERT_TRUE(f.complete);
    EXPECT_EQ(f.start, 2);
    EXPECT_EQ(f.position, 27);
    EXPECT_EQ(describe(f.lines),
              QStringList{"#008000 ECU info: 000102030405060708090A0B0C0D0E0F10111213FFFF"});
}

TEST(DecodeFrame, FindsStartAndLengthBeforeTheFrameIsComplete) {
    const FaultFrame f = decodeFaultReply(2, 1, QByteArray::fromHex("00ff0455"));
    EXPECT_EQ(f.start, 1);
    EXPECT_EQ(f.length, 4);
    EXPECT_FALSE(f.complete);

    const FaultFrame none = decodeFaultReply(2, 1, QByteArray::fromHex("0001"));
    EXPECT_EQ(none.start, -1);
    EXPECT_EQ(none.length, -1);
}

} // namespace
