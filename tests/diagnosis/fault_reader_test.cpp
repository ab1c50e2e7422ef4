#include "diagnosis/fault_reader.h"
#include "protocol/rtf_test_reader.h"
#include "support/gtest_qt.h"
#include "support/link_rig.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <vector>

namespace {

ByteString hex(const char* h) {
    return ByteString::fromHex(h);
}

const QString Starts = QStringLiteral(" engine starts passed.");
const QString NoResponse31 = QStringLiteral("#000080 Unit did not respond in tries:      31");
const QString PortLine =
    QStringLiteral("#FF0000 Com-port is not responding. Set correct port and make Reconnect.");
const QString CR = QString(QChar(0x0D));

// "#RRGGBB text" per line from line first on.
QStringList coloured(const ColouredLines& lines, qsizetype first = 0) {
    QStringList out;
    for (qsizetype i = first; i < lines.count(); ++i)
        out << QStringLiteral("#%1 ").arg(lines.line(i).colour, 6, 16, QLatin1Char('0')).toUpper() +
                   lines.line(i).text;
    return out;
}

// A link with the engine unit selected, a report and a report file in a
// temporary directory. The unit's reply to a fault-code request can be scripted as
// raw chunks, timed from the request byte.
struct Chunk {
    int ms;
    const char* hex;
};

class Reader : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        rig.port.setActive(true);
        ASSERT_TRUE(rig.engine.Set_Module(ModuleEcu));
        rig.port.clearWrites();
        reader.setShowReport([this] {
            ++shows;
            stateWhenShown = rig.engine.LinkState;
        });
        logStart = rig.log.count();
    }

    void select(int module) {
        ASSERT_TRUE(rig.engine.Set_Module(module));
        rig.port.clearWrites();
        logStart = rig.log.count();
    }

    // The unit answers the request byte as usual, then sends these chunks instead of
    // its own frames.
    void script(std::vector<Chunk> chunks) {
        rig.unit.intercept = [this, chunks](std::uint8_t b) {
            if (b == 0xD1 || b == 0xC1 || b == 0xD0) {
                t0 = rig.pump.nowMs();
                for (const Chunk& c : chunks)
                    rig.port.deliverAt(t0 + c.ms, hex(c.hex));
            }
            return b == 0xF0; // the unit sends only the script
        };
    }

    void read(int mode) {
        t0 = rig.pump.nowMs();
        stamp = rig.pump.wallClock().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
        reader.CUGetError(mode);
    }

    // Written bytes with their times from the request, "hex@ms".
    QStringList timedWrites() const {
        QStringList out;
        for (const auto& w : rig.port.writes())
            out << QString::fromLatin1(w.bytes.toHex().toUpper()) + "@" +
                       QString::number(w.ms - t0);
        return out;
    }

    // The report without its headings (" ECU 17.05.2024 ...").
    QStringList body() const {
        QStringList out = coloured(report);
        out.removeIf([](const QString& l) { return l.contains(QStringLiteral("05.2024 ")); });
        return out;
    }

    RtfTestDocument file() const {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return {{}, {}, QStringLiteral("no file")};
        return readTestRtf(f.readAll());
    }

    LinkRig rig;
    ColouredLines report;
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("Diagnostic Result.rtf"));
    FaultCodeReader reader{rig.engine, report, path};
    int shows = 0;
    TLinkState stateWhenShown = ssScanning;
    qsizetype logStart = 0;
    std::int64_t t0 = 0;
    QString stamp; // wall clock at the start of the last reading
};

// ---- replies as the unit sends them

struct ReplyCase {
    const char* name;
    int module;
    int mode;
    std::vector<Chunk> chunks;
    QStringList body; // report lines after the heading
};
void PrintTo(const ReplyCase& c, std::ostream* os) {
    *os << c.name;
}

class Replies : public Reader, public ::testing::WithParamInterface<ReplyCase> {};

TEST_P(Replies, GoIntoTheReportAndTheFile) {
    const ReplyCase& c = GetParam();
    if (c.module != ModuleEcu)
        select(c.module);
    script(c.chunks);
    read(c.mode);

    EXPECT_EQ(body(), c.body);
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_EQ(stateWhenShown, ssBusy);
    EXPECT_EQ(shows, 1);
    EXPECT_TRUE(rig.engine.RxData.isEmpty());
    EXPECT_TRUE(rig.prompts.warnings.isEmpty());

    // The heading: the unit's short name and the time stamp, in navy.
    const QString name = c.module == ModuleEcu ? QStringLiteral(" ECU ") : QStringLiteral(" AT ");
    ASSERT_GE(report.count(), 1);
    EXPECT_EQ(coloured(report).first(), "#000080 " + name + stamp);
    EXPECT_TRUE(stamp.startsWith(QStringLiteral("17.05.2024 10:00:0"))) << stamp.toStdString();

    // The file holds exactly the report, colours included.
    const RtfTestDocument doc = file();
    ASSERT_TRUE(doc.error.isEmpty()) << doc.error.toStdString();
    ASSERT_EQ(qsizetype(doc.lines.size()), report.count());
    for (qsizetype i = 0; i < report.count(); ++i) {
        EXPECT_EQ(doc.lines[std::size_t(i)].text, report.line(i).text);
        EXPECT_EQ(doc.lines[std::size_t(i)].colour, report.line(i).colour);
    }
}

const QString Get = QStringLiteral("#000080 Get self-diagnoctic data...");

const ReplyCase ReplyCases[] = {
    {"NormalOperation",
     2,
     1,
     {{110, "ff025500"}, {160, "ff025500"}},
     {Get, "#FF0000  5- 5: Normal operation        0" + Starts}},
    {"TwoFaults",
     2,
     1,
     {{110, "ff0421054300ff"}},
     {Get, "#FF0000  2- 1: Ignition signal        5" + Starts,
      "#FF0000  4- 3: Throttle position sensor (TPS)        0" + Starts}},
    {"UnknownCode",
     2,
     1,
     {{110, "ff021501ff"}},
     {Get, "#FF0000  1- 5: Unknown error has happened        1" + Starts}},
    {"Clearing",
     2,
     2,
     {{110, "ff025500ff"}},
     {"#000080 Clear self-diagnoctic data...",
      "#FF0000  5- 5: Normal operation        0" + Starts}},
    {"Identification",
     2,
     3,
     {{110, "ff16a0a1a2a3a4a5a6a7a8a9aaabacadaeafb0b1b2b3b4b5ff"}},
     {"#008000 ECU info: A0A1A2A3A4A5A6A7A8A9AAABACADAEAFB0B1B2B3B4B5"}},
    {"OtherUnitNotDecoded",
     3,
     1,
     {{110, "ff030a0b0cff"}},
     {Get, "#000080   10: Unknown error.", "#000080   11: Unknown error.",
      "#000080   12: Unknown error."}},
    {"NoReply", 2, 1, {}, {Get, NoResponse31}},
    {"LengthPointsPastWhatArrived", 2, 1, {{110, "ff095500"}}, {Get, NoResponse31}},
    {"GarbageBeforeTheFrame",
     2,
     1,
     {{110, "2e0013ff025500ff"}},
     {Get, "#FF0000  5- 5: Normal operation        0" + Starts}},
    // Bytes that arrive before "End Req" are not part of the reply.
    {"BytesBeforeEndReqIgnored",
     2,
     1,
     {{40, "ff021501ff"}, {110, "ff025500ff"}},
     {Get, "#FF0000  5- 5: Normal operation        0" + Starts}},
    {"FrameInPieces",
     2,
     1,
     {{110, "ff04"}, {150, "2105"}, {190, "4300"}, {230, "ff"}},
     {Get, "#FF0000  2- 1: Ignition signal        5" + Starts,
      "#FF0000  4- 3: Throttle position sensor (TPS)        0" + Starts}},
    {"OddByteCount",
     2,
     1,
     {{110, "ff03210543ff"}},
     {Get, "#FF0000  2- 1: Ignition signal        5" + Starts}},
    {"EmptyFrame", 2, 1, {{110, "ff00ff"}}, {Get}},
};

INSTANTIATE_TEST_SUITE_P(FaultReading, Replies, ::testing::ValuesIn(ReplyCases),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- the exchange itself

struct BytesCase {
    int mode;
    const char* request;
};

TEST_F(Reader, SendsTheRequestThenEndReqThenStops) {
    for (const BytesCase& c : {BytesCase{1, "D1"}, BytesCase{2, "C1"}, BytesCase{3, "D0"}}) {
        SCOPED_TRACE(c.mode);
        rig.port.clearWrites();
        script({{110, "ff025500ff"}});
        read(c.mode);
        // Request, 100 ms, "End Req"; the frame is seen at the second look (130 ms),
        // one more poll pause, then "Exit from diag".
        EXPECT_EQ(timedWrites(),
                  (QStringList{QString::fromLatin1(c.request) + "@0", "F0@100", "30@160"}));
        EXPECT_EQ(rig.port.lineEnd(), hex("cf"));
    }
}

TEST_F(Reader, NoReplyPollsThirtyOneTimesThirtyMsApart) {
    script({});
    read(1);
    EXPECT_EQ(timedWrites(), (QStringList{"D1@0", "F0@100", "30@1030"}));
    EXPECT_EQ(body(), (QStringList{Get, NoResponse31}));
}

TEST_F(Reader, FrameWithoutAByteAfterItWaitsForTheNextLook) {
    rig.collectDebug(true);
    // Looks at 100, 130 and 160 ms: the frame is there at 130, complete at 160.
    script({{110, "ff025500"}, {145, "ff"}});
    read(1);
    const QStringList lines = rig.logLines(logStart);
    EXPECT_EQ(lines.count(QStringLiteral("Get Packet Length... -> ") + "       2"), 2);
    EXPECT_TRUE(lines.contains(QStringLiteral("Packet extracted: FF025500")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Tries: ") + "       3"));
    EXPECT_FALSE(lines.contains(QStringLiteral("Tries: ") + "       4"));
    EXPECT_EQ(body(), (QStringList{Get, "#FF0000  5- 5: Normal operation        0" + Starts}));
}

TEST_F(Reader, DebugLinesWithCollectionOn) {
    rig.collectDebug(true);
    script({{110, "ff025500ff"}});
    read(1);
    QStringList lines = rig.colouredLines(logStart);
    const QStringList expected{
        "#000080 Sent self-diagnostic code", "#000080 Tx :F0",
        "#000080 Tries:        1",           "#000080 Get Packet Length... ->        2",
        "#800080 Buff before: FF025500FF",   "#008000 Packet extracted: FF025500",
        "#008000 Packet position:        5", "#008000 Buff left:        5",
        "#008000 Tries:        2",
    };
    ASSERT_GE(lines.size(), expected.size() + 1);
    EXPECT_EQ(lines.mid(0, expected.size()), expected);
    // Then the stop request's own lines, and the closing line in the colour they
    // left set.
    EXPECT_TRUE(lines.contains("#000080 Managed protocol"));
    EXPECT_TRUE(lines.contains("#000080 Tx :30 -> Exit from diag"));
    EXPECT_EQ(lines.last(), "#FF0000 Read self-diagnostic codes terminated. ");
}

TEST_F(Reader, NoDebugLinesWithCollectionOff) {
    rig.engine.OverMaxSeen = 1;
    script({{110, "ff025500ff"}});
    read(1);
    EXPECT_EQ(rig.log.count(), logStart);
    EXPECT_EQ(rig.engine.OverMaxSeen, 1); // cleared only with the frame's log lines
}

TEST_F(Reader, ReadingsAccumulateInTheReport) {
    script({{110, "ff025500ff"}});
    read(3);
    read(1);
    select(ModuleAt);
    read(1);
    QStringList headings;
    for (const QString& l : coloured(report))
        if (l.contains(QStringLiteral("05.2024 ")))
            headings << l.section(' ', 0, 2);
    EXPECT_EQ(headings, (QStringList{"#000080  ECU", "#000080  ECU", "#000080  AT"}));
    EXPECT_EQ(qsizetype(file().lines.size()), report.count());
}

// ---- failures

TEST_F(Reader, UnitThatIgnoresTheStopIsReportedAndTheReadingEndsIdle) {
    script({{110, "ff025500ff"}});
    rig.unit.ignoreStop = true;
    auto intercept = rig.unit.intercept;
    rig.unit.intercept = [this, intercept](std::uint8_t b) { return b == 0x30 || intercept(b); };
    read(1);
    EXPECT_EQ(rig.prompts.warnings, QStringList{"ECU did not respond for Exit from diag." + CR +
                                                "Communication closed."});
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_EQ(body().size(), 2);
}

TEST_F(Reader, ClosedPortSaysSoAndSavesTheReport) {
    rig.port.setActive(false);
    read(1);
    EXPECT_TRUE(rig.port.writes().empty());
    EXPECT_EQ(body(), QStringList{PortLine});
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_EQ(file().lines.size(), 2u);
}

TEST_F(Reader, PortClosedDuringTheReadingEndsItIdle) {
    script({});
    // A nested action closes the port while the reading waits before "End Req".
    rig.pump.after(50, [this] { rig.port.setActive(false); });
    read(1);
    EXPECT_EQ(body(), (QStringList{Get, "#FF0000 Port not open"}));
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_EQ(file().lines.size(), 3u);
}

TEST_F(Reader, UnplugDuringTheReadingEndsAtOnce) {
    script({{110, "ff0955"}});
    rig.port.hangUpAt(rig.pump.nowMs() + 175);
    read(1);
    EXPECT_EQ(rig.pump.nowMs() - t0, 175); // no further look, no stop request
    EXPECT_EQ(timedWrites(), (QStringList{"D1@0", "F0@100"}));
    EXPECT_EQ(body(),
              (QStringList{Get, "#000080 Unit did not respond in tries:       3", PortLine}));
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_TRUE(rig.prompts.warnings.isEmpty());
    EXPECT_EQ(file().lines.size(), 4u);
}

TEST_F(Reader, ReportThatCannotBeSavedSaysSoInTheReport) {
    FaultCodeReader blocked(rig.engine, report, dir.filePath(QStringLiteral("no/such/dir/x.rtf")));
    script({{110, "ff025500ff"}});
    blocked.CUGetError(1);
    ASSERT_GE(report.count(), 1);
    const QString last = coloured(report).last();
    EXPECT_TRUE(last.startsWith("#FF0000 Cannot save")) << last.toStdString();
    EXPECT_TRUE(last.contains("x.rtf")) << last.toStdString();
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
}

TEST_F(Reader, ExceptionLeavesTheEngineIdle) {
    struct Boom {};
    reader.setShowReport([] { throw Boom{}; });
    EXPECT_THROW(read(1), Boom);
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
}

TEST_F(Reader, NestedReadingIsIgnored) {
    script({{110, "ff025500ff"}});
    rig.pump.after(50, [this] { reader.ClearCUErrorsClick(); });
    reader.GetCUErrorsClick();
    EXPECT_EQ(timedWrites().size(), 3);
    EXPECT_EQ(body(), (QStringList{Get, "#FF0000  5- 5: Normal operation        0" + Starts}));
}

// ---- start-up reads through the reader

TEST(ReaderAtStartUp, IdentificationThenFaultsForTheEngineFaultsForTheTransmission) {
    LinkRig rig;
    ColouredLines report;
    QTemporaryDir dir;
    FaultCodeReader reader(rig.engine, report, dir.filePath(QStringLiteral("r.rtf")));
    rig.engine.setFaults(&reader);
    rig.unit.faultData[0xD0] = hex("0102030405060708090a0b0c0d0e0f1011121314151a");
    rig.unit.faultData[0xD1] = hex("21054300");

    rig.engine.Initial();

    QStringList body = coloured(report);
    for (QString& l : body)
        if (l.contains(QStringLiteral("05.2024 ")))
            l = l.section(' ', 0, 2);
    EXPECT_EQ(body, (QStringList{
                        "#000080  ECU",
                        "#008000 ECU info: 0102030405060708090A0B0C0D0E0F1011121314151A",
                        "#000080  ECU",
                        Get,
                        "#FF0000  2- 1: Ignition signal        5" + Starts,
                        "#FF0000  4- 3: Throttle position sensor (TPS)        0" + Starts,
                        "#000080  AT",
                        Get,
                        "#000080   33: Unknown error.",
                        "#000080    5: Unknown error.",
                        "#000080   67: Unknown error.",
                        "#000080    0: Unknown error.",
                    }));
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_EQ(rig.engine.CurrentModule, ModuleEcu);
    EXPECT_TRUE(rig.prompts.warnings.isEmpty());
}

} // namespace
