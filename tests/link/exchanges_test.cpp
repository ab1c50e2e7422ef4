#include "support/link_rig.h"

#include "protocol/registers.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

ByteString hex(const char* h) {
    return ByteString::fromHex(h);
}
const QString CR = QString(QChar(0x0D));

// Makes the unit answer the byte `to` with `reply` after `delay` ms instead.
void answerWith(LinkRig& rig, std::uint8_t to, const char* reply, int delay) {
    rig.unit.intercept = [&rig, to, reply, delay](std::uint8_t b) {
        if (b != to)
            return false;
        rig.port.deliverAfter(delay, hex(reply));
        return true;
    };
}
void silence(LinkRig& rig) {
    rig.unit.silent = true;
}

class Exchange : public ::testing::Test {
protected:
    void SetUp() override {
        rig.port.setActive(true);
        rig.engine.LinkState = ssBusy;
        t0 = rig.pump.nowMs();
    }
    std::int64_t elapsed() { return rig.pump.nowMs() - t0; }
    // Written bytes with their times relative to the start, "hex@ms".
    QStringList timedWrites() {
        QStringList out;
        for (const auto& w : rig.port.writes())
            out << QString::fromLatin1(w.bytes.toHex().toUpper()) + "@" +
                       QString::number(w.ms - t0);
        return out;
    }
    void answer(std::uint8_t to, const char* reply, int delay) {
        answerWith(rig, to, reply, delay);
    }
    LinkRig rig;
    std::int64_t t0 = 0;
};

// ---- command exchange

struct MngCase {
    const char* name;
    int command;
    bool show;
    std::function<void(LinkRig&)> setup;
    bool result;
    QStringList writes;
    std::int64_t elapsed;
    QStringList warnings;
    TLinkState state;
};
void PrintTo(const MngCase& c, std::ostream* os) {
    *os << c.name;
}

class MngExchange : public Exchange, public ::testing::WithParamInterface<MngCase> {};

TEST_P(MngExchange, SendsOnceAndWaitsItsTime) {
    const MngCase& c = GetParam();
    if (c.setup)
        c.setup(rig);
    EXPECT_EQ(rig.engine.WaitForMngRespond(c.command, c.show), c.result);
    EXPECT_EQ(timedWrites(), c.writes);
    EXPECT_EQ(elapsed(), c.elapsed);
    EXPECT_EQ(rig.prompts.warnings, c.warnings);
    EXPECT_EQ(rig.engine.LinkState, c.state);
    EXPECT_EQ(rig.engine.RxFlag, 0);
    EXPECT_EQ(rig.engine.RxArmed, 1) << "an exchange leaves the flag armed";
}

const QString EcuLost =
    "ECU did not respond for ECU Input parameter." + CR + "Communication closed.";

INSTANTIATE_TEST_SUITE_P(
    Results, MngExchange,
    ::testing::Values(
        // "Init" needs no answer: two wake-up bytes 300 ms apart, then success.
        MngCase{"initWithNothingConnected",
                cmdInit,
                true,
                silence,
                true,
                {"FF@0", "FF@300"},
                600,
                {},
                ssBusy},
        // Selection: wake-up, selection byte, 300 ms after each; the reply came meanwhile.
        MngCase{"selectionAnswered",
                cmdEcuSelect,
                true,
                {},
                true,
                {"FF@0", "FF@300", "EF@600"},
                900,
                {},
                ssBusy},
        MngCase{"atSelectionAnswered",
                cmdAtSelect,
                true,
                {},
                true,
                {"FF@0", "FF@300", "EA@600"},
                900,
                {},
                ssBusy},
        // Nothing connected: 900 ms of wake-up and selection, 3 x 300 ms of waiting.
        MngCase{"selectionUnanswered",
                cmdEcuSelect,
                true,
                silence,
                false,
                {"FF@0", "FF@300", "EF@600"},
                1800,
                {EcuLost},
                ssLinkLost},
        MngCase{"selectionUnansweredQuietly",
                cmdEcuSelect,
                false,
                silence,
                false,
                {"FF@0", "FF@300", "EF@600"},
                1800,
                {},
                ssLinkLost},
        // A late reply is still in time up to the end of the last look...
        MngCase{"selectionReplyAtTheDeadline",
                cmdEcuSelect,
                true,
                [](LinkRig& r) { answerWith(r, 0xEF, "10", 300 + 899); },
                true,
                {"FF@0", "FF@300", "EF@600"},
                1799,
                {},
                ssBusy},
        // ...and not after it.
        MngCase{"selectionReplyTooLate",
                cmdEcuSelect,
                true,
                [](LinkRig& r) { answerWith(r, 0xEF, "10", 300 + 901); },
                false,
                {"FF@0", "FF@300", "EF@600"},
                1800,
                {EcuLost},
                ssLinkLost},
        // Other rows send at once and the reply ends the wait when it arrives.
        MngCase{"exitAnsweredAfter7ms",
                cmdExitDiag,
                true,
                [](LinkRig& r) { answerWith(r, 0x30, "CF", 7); },
                true,
                {"30@0"},
                7,
                {},
                ssBusy},
        MngCase{"replyInsideALongerChunk",
                cmdExitDiag,
                true,
                [](LinkRig& r) { answerWith(r, 0x30, "FF0211CF00", 5); },
                true,
                {"30@0"},
                5,
                {},
                ssBusy},
        MngCase{"errorByteIsNoReply",
                cmdReqPreff,
                true,
                [](LinkRig& r) { answerWith(r, 0x5A, "FE", 5); },
                false,
                {"5A@0"},
                900,
                {"ECU did not respond for Req preff." + CR + "Communication closed."},
                ssLinkLost},
        MngCase{"activePrefixUnanswered",
                cmdActivePreff,
                false,
                silence,
                false,
                {"0A@0"},
                900,
                {},
                ssLinkLost}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Exchange, CommandDebugLinesWithCollectionOnAndOff) {
    answer(0x30, "CF", 40); // two looks of 30 ms, the second ended by the reply
    rig.engine.WaitForMngRespond(cmdExitDiag, true);
    EXPECT_TRUE(rig.logLines().isEmpty()) << "nothing is logged while collection is off";

    rig.collectDebug(true);
    answer(0x30, "CF", 40);
    rig.engine.WaitForMngRespond(cmdExitDiag, true);
    EXPECT_EQ(rig.colouredLines(),
              (QStringList{
                  "#000080 Managed protocol",
                  "#000080 Tx :30 -> Exit from diag",
                  "#000080 --MNG Start waiting RxFlag! ->",
                  "#000080 --MNG Waiting for RxFlag Event... Timeout! ->10:00:00",
                  "#000080 --Buff! ->",
                  "#000080 --Flag! ->False",
                  "#000080 --MNG Waiting for RxFlag Event... Timeout! ->10:00:00",
                  "#000080 --Buff! ->CF",
                  "#000080 --Flag! ->True",
                  "#FF0000 --MNG We get RxFlag! ->10:00:00",
                  "#FF0000 --Buff! ->CF",
                  "#FF0000 --Flag! ->True",
              }));

    const qsizetype before = rig.log.count();
    rig.unit.silent = true;
    rig.engine.WaitForMngRespond(cmdExitDiag, false);
    const QStringList lines = rig.colouredLines(before);
    ASSERT_EQ(lines.size(), 3 + 30 * 3 + 1) << "one set of look lines per 30 ms look";
    EXPECT_EQ(lines.last(),
              "#FF0000 ECU did not respond for: Exit from diag. Communication closed.");
}

// ---- register probe

struct ParamCase {
    const char* name;
    const char* reply; // nullptr: no answer
    int delay;
    std::uint8_t result;
    bool warned;
    QStringList tail; // last debug lines
};
void PrintTo(const ParamCase& c, std::ostream* os) {
    *os << c.name;
}

class ParamProbe : public Exchange, public ::testing::WithParamInterface<ParamCase> {};

TEST_P(ParamProbe, ClassifiesTheAnswer) {
    const ParamCase& c = GetParam();
    rig.collectDebug(true);
    if (c.reply)
        answer(0x0C, c.reply, c.delay);
    else
        rig.unit.silent = true;
    EXPECT_EQ(rig.engine.WaitForParamRespond(13), c.result); // Battery Voltage, 0x0C
    EXPECT_EQ(rig.port.written(), hex("0C"));
    const QStringList lines = rig.colouredLines();
    ASSERT_GE(lines.size(), 2 + c.tail.size());
    EXPECT_EQ(lines.mid(0, 2),
              (QStringList{"#008000 Parametr protocol", "#008000 Tx :0C - Battery Voltage"}));
    EXPECT_EQ(lines.mid(lines.size() - c.tail.size()), c.tail);
    EXPECT_EQ(rig.prompts.warnings.size(), c.warned ? 1 : 0);
    EXPECT_EQ(rig.engine.LinkState, c.warned ? ssLinkLost : ssBusy);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ParamProbe,
    ::testing::Values(
        ParamCase{"echo",
                  "0C",
                  3,
                  1,
                  false,
                  {"#008000 PAR Waiting for RxFlag Event... Timeout!", "#008000 Buff! ->0C",
                   "#008000 Flag! ->True", "#FF0000 PAR We get RxFlag! ->10:00:00",
                   "#FF0000 Buff! ->0C", "#FF0000 Flag! ->False",
                   "#FF0000 Parementr Battery Voltage is ACTIVE"}},
        ParamCase{"refused",
                  "FE",
                  3,
                  0,
                  false,
                  {"#008000 Flag! ->False", "#FF0000 Error! -> Battery Voltage",
                   "#FF0000 Buff Len:       1PosR:       1 ->FE"}},
        // An error byte beside the echo wins, though the log still says ACTIVE.
        ParamCase{"echoAndErrorTogether",
                  "0CFE",
                  3,
                  0,
                  false,
                  {"#FF0000 Error! -> Battery Voltage",
                   "#FF0000 Buff Len:       2PosR:       2 ->0CFE",
                   "#FF0000 PAR We get RxFlag! ->10:00:00", "#FF0000 Buff! ->0CFE",
                   "#FF0000 Flag! ->False", "#FF0000 Parementr Battery Voltage is ACTIVE"}},
        ParamCase{"silent",
                  nullptr,
                  0,
                  255,
                  true,
                  {"#FF0000 ECU did not respond for: Battery Voltage. Communication closed."}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Exchange, UnansweredProbeAlwaysWarnsAfter900ms) {
    rig.unit.silent = true;
    EXPECT_EQ(rig.engine.WaitForParamRespond(13), 255);
    EXPECT_EQ(elapsed(), 900);
    EXPECT_EQ(rig.prompts.warnings, QStringList{"ECU did not respond for Battery Voltage." + CR +
                                                "Communication closed."});
    EXPECT_TRUE(rig.logLines().isEmpty());
}

// ---- stop request

struct StopCase {
    const char* name;
    TLinkState state;
    bool portOpen;
    bool unitAnswers;
    bool result;
    const char* written;
    TLinkState after;
};
void PrintTo(const StopCase& c, std::ostream* os) {
    *os << c.name;
}

class StopRequest : public Exchange, public ::testing::WithParamInterface<StopCase> {};

TEST_P(StopRequest, SendsExitOnlyWhenTheUnitIsBusy) {
    const StopCase& c = GetParam();
    rig.engine.LinkState = c.state;
    rig.unit.silent = !c.unitAnswers;
    if (!c.portOpen)
        rig.port.setActive(false);
    rig.collectDebug(true);
    EXPECT_EQ(rig.engine.CUStopRequest(), c.result);
    EXPECT_EQ(rig.port.written(), hex(c.written));
    EXPECT_EQ(rig.engine.LinkState, c.after);
    EXPECT_EQ(rig.logLines().last(), "CUStopRequest...");
    if (!c.result) {
        EXPECT_EQ(rig.prompts.warnings, QStringList{"ECU did not respond for Exit from diag." + CR +
                                                    "Communication closed."});
    }
}

INSTANTIATE_TEST_SUITE_P(
    States, StopRequest,
    ::testing::Values(StopCase{"busyAnswered", ssBusy, true, true, true, "30", ssBusy},
                      StopCase{"stoppingAnswered", ssStopping, true, true, true, "30", ssStopping},
                      StopCase{"busyUnanswered", ssBusy, true, false, false, "30", ssLinkLost},
                      StopCase{"idle", ssIdle, true, true, true, "", ssIdle},
                      StopCase{"linkLost", ssLinkLost, true, true, true, "", ssLinkLost},
                      StopCase{"portClosed", ssBusy, false, true, true, "", ssBusy}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- scan exchanges

struct ScanCase {
    const char* name;
    std::uint8_t code;
    std::vector<std::pair<int, const char*>> replies; // (delay, bytes)
    std::uint8_t result;
    QStringList lines;
};
void PrintTo(const ScanCase& c, std::ostream* os) {
    *os << c.name;
}

class ScanExchange : public Exchange, public ::testing::WithParamInterface<ScanCase> {};

TEST_P(ScanExchange, ClassifiesWhateverComesBack) {
    const ScanCase& c = GetParam();
    rig.unit.silent = true;
    for (const auto& [delay, bytes] : c.replies)
        rig.port.deliverAfter(delay, hex(bytes));
    EXPECT_EQ(rig.engine.WaitForMngRespondS(c.code), c.result);
    EXPECT_EQ(rig.port.written(), ByteString(1, char(c.code)));
    EXPECT_EQ(rig.colouredLines(), c.lines) << "written whether or not collection is on";
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ScanExchange,
    ::testing::Values(ScanCase{"refused", 0x42, {{5, "FE"}}, 0, {}},
                      ScanCase{"answered",
                               0xEF,
                               {{5, "10"}},
                               1,
                               {"#0000FF Tx (select level) -> EF", "#FF0000 Rx <- 10 - Active"}},
                      ScanCase{"answeredLate",
                               0xEF,
                               {{550, "1011"}},
                               1,
                               {"#0000FF Tx (select level) -> EF", "#FF0000 Rx <- 1011 - Active"}},
                      ScanCase{"twoZeroBytesAreNoAnswer", 0x42, {{5, "0000"}}, 2, {}},
                      ScanCase{"twoZeroBytesInTwoChunks", 0x42, {{5, "00"}, {6, "00"}}, 2, {}},
                      ScanCase{
                          "threeZeroBytesAreAnAnswer",
                          0x42,
                          {{5, "000000"}},
                          1,
                          {"#0000FF Tx (select level) -> 42", "#FF0000 Rx <- 000000 - Active"}},
                      ScanCase{"nothing", 0x42, {}, 2, {}},
                      ScanCase{"exitIsNotLogged", 0x30, {{5, "CF"}}, 1, {}},
                      ScanCase{"prefixIsNotLogged", 0x5A, {{5, "A5"}}, 1, {}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(Exchange, ScanExchangeWithoutAnswerTakes600ms) {
    rig.unit.silent = true;
    EXPECT_EQ(rig.engine.WaitForMngRespondS(0x42), 2);
    EXPECT_EQ(elapsed(), 600);
}

TEST_F(Exchange, ScanRegisterAnsweredStartsItsStream) {
    // The unit is selected and has taken the prefix; 0x0C is then echoed and streamed.
    rig.engine.WaitForMngRespond(cmdEcuSelect, true);
    ASSERT_EQ(rig.engine.WaitForMngRespondS(0x5A), 1);
    rig.port.clearWrites();
    rig.unit.value = [](std::uint8_t, int) { return std::uint8_t(0x42); };
    rig.unit.framePeriodMs = 1000;
    const qsizetype before = rig.log.count();
    t0 = rig.pump.nowMs();
    EXPECT_EQ(rig.engine.WaitForParamRespondS(0x0C), 1);
    // 100 ms look (the echo came), 300 ms pause, 0xF0; one 100 ms look takes the
    // frame sent 10 ms later, then 100 ms more.
    EXPECT_EQ(timedWrites(), (QStringList{"0C@0", "F0@400"}));
    EXPECT_EQ(elapsed(), 600);
    EXPECT_TRUE(rig.unit.streaming());
    EXPECT_EQ(rig.colouredLines(before),
              (QStringList{"#FF0000 Rx parametr: 0C", "#FF0000 Current value: FF0142"}));
}

TEST_F(Exchange, ScanRegisterRefusedOrSilent) {
    rig.unit.silent = true;
    rig.port.deliverAfter(5, hex("FE"));
    EXPECT_EQ(rig.engine.WaitForParamRespondS(0x77), 0);
    EXPECT_TRUE(rig.logLines().isEmpty());
    t0 = rig.pump.nowMs();
    EXPECT_EQ(rig.engine.WaitForParamRespondS(0x77), 0);
    EXPECT_EQ(elapsed(), 300);
    EXPECT_EQ(rig.port.written(), hex("7777"));
}

} // namespace
