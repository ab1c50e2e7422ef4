#include "support/link_rig.h"

#include "protocol/registers.h"

#include <gtest/gtest.h>

namespace {

ByteString hex(const char* h) {
    return ByteString::fromHex(h);
}
const QString CR = QString(QChar(0x0D));

class Stream : public ::testing::Test {
protected:
    // The engine unit selected with just these rows selected, as after a sensor
    // selection.
    void selectEcu(std::initializer_list<int> rows) {
        rig.port.setActive(true);
        rig.engine.LinkState = ssBusy;
        ASSERT_TRUE(rig.engine.Set_Module(ModuleEcu));
        for (int r = 1; r <= RegisterCount; ++r)
            RegisterTable[r].Selected = false;
        for (int r : rows)
            RegisterTable[r].Selected = true;
        rig.engine.Set_Packets();
        rig.engine.LinkState = ssIdle;
        rig.port.clearWrites();
        t0 = rig.pump.nowMs();
    }
    // StopDiag as the "&Stop" click does it, at t0 + ms.
    void stopAt(std::int64_t ms) {
        rig.pump.at(t0 + ms, [this] { rig.engine.StartClick(); });
    }
    // The unit answers 0xF0 with these chunks at these times after it, then nothing.
    void streamScript(std::vector<std::pair<int, const char*>> chunks) {
        rig.unit.intercept = [this, chunks](std::uint8_t b) {
            if (b != 0xF0)
                return false;
            for (const auto& [dt, bytes] : chunks)
                rig.port.deliverAfter(dt, hex(bytes));
            return true;
        };
    }
    std::vector<std::uint8_t> raws(int row) {
        std::vector<std::uint8_t> out;
        for (const auto& c : rig.converters.callsFor(row))
            out.push_back(c.raw);
        return out;
    }
    std::vector<std::int64_t> times(int row) {
        std::vector<std::int64_t> out;
        for (const auto& c : rig.converters.callsFor(row))
            out.push_back(c.oscTime);
        return out;
    }
    LinkRig rig;
    std::int64_t t0 = 0;
};

TEST_F(Stream, StartStreamsConvertsAndStopsOnTheStopClick) {
    selectEcu({13, 14}); // 0x0C battery, 0x0D throttle
    QStringList captions;
    rig.converters.onCall = [&](int) { captions << rig.menu.startCaption(); };
    stopAt(270 + 10 + 50 * 3 + 20); // after the fourth frame
    rig.engine.StartClick();

    // Request, 270 ms, 0xF0; after the stop, 0x30 answered by 0xCF.
    ASSERT_EQ(rig.port.writes().size(), 3u);
    EXPECT_EQ(rig.port.writes()[0].bytes, hex("5A0C5A0D"));
    EXPECT_EQ(rig.port.writes()[1].bytes, hex("F0"));
    EXPECT_EQ(rig.port.writes()[1].ms - t0, 270);
    EXPECT_EQ(rig.port.writes()[2].bytes, hex("30"));
    EXPECT_EQ(rig.port.writes()[2].ms - t0, 270 + 10 + 150 + 20);
    EXPECT_FALSE(rig.unit.streaming());
    EXPECT_EQ(rig.unit.stops(), 1);

    // Four frames (values address + frame number) and the closing pass.
    EXPECT_EQ(raws(13), (std::vector<std::uint8_t>{0x0C, 0x0D, 0x0E, 0x0F, 0x0F}));
    EXPECT_EQ(raws(14), (std::vector<std::uint8_t>{0x0D, 0x0E, 0x0F, 0x10, 0x10}));
    const std::int64_t end = 10 + 150 + 20 + 2; // stop, then the 0xCF 2 ms later
    EXPECT_EQ(times(13), (std::vector<std::int64_t>{10, 60, 110, 160, end}));
    EXPECT_EQ(rig.engine.TimeOffset[ModuleEcu], end);
    for (const auto& c : rig.converters.calls) {
        EXPECT_TRUE(c.show);
        EXPECT_TRUE(c.record);
    }
    EXPECT_EQ(captions, QStringList(8, "&Stop") << "&Start"
                                                << "&Start");
    EXPECT_EQ(rig.menu.startCaption(), "&Start");
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_TRUE(rig.engine.RxData.isEmpty());
    EXPECT_TRUE(rig.prompts.warnings.isEmpty());
    EXPECT_EQ(rig.journal.mid(rig.journal.size() - 2),
              (QStringList{QStringLiteral("end mark 2 #ff0000 at %1").arg(end),
                           "autosave 2 Reading Sensors"}));

    // The next stream of the unit continues the time line.
    rig.converters.calls.clear();
    t0 = rig.pump.nowMs();
    stopAt(270 + 15);
    rig.engine.StartClick();
    EXPECT_EQ(times(13).front(), end + 10);
}

TEST_F(Stream, FrameTimeIsTheArrivalOfItsLastByte) {
    selectEcu({13, 14});
    // Each frame arrives in two pieces 7 ms apart; only complete frames convert.
    rig.unit.chunker = [](const ByteString& f) {
        return std::vector<ByteString>{f.left(3), f.mid(3)};
    };
    rig.unit.chunkGapMs = 7;
    stopAt(270 + 10 + 50 * 2 + 20);
    rig.engine.StartClick();
    EXPECT_EQ(times(13), (std::vector<std::int64_t>{17, 67, 117, 130 + 2}));
    EXPECT_EQ(raws(14), (std::vector<std::uint8_t>{0x0D, 0x0E, 0x0F, 0x0F}));
}

TEST_F(Stream, FramesAreTakenFromWhateverTheArrivalsHold) {
    selectEcu({13, 14});
    rig.collectDebug(true);
    streamScript({{5, "1234FF02"}, // garbage, then a frame split mid-way
                  {9, "1011"},
                  {20, "FF022021FF023031"}, // two frames in one arrival
                  {30, "FF024041"}});
    stopAt(270 + 100);
    rig.engine.StartClick();
    EXPECT_EQ(raws(13), (std::vector<std::uint8_t>{0x10, 0x20, 0x30, 0x40, 0x40}));
    EXPECT_EQ(raws(14), (std::vector<std::uint8_t>{0x11, 0x21, 0x31, 0x41, 0x41}));
    EXPECT_EQ(times(13), (std::vector<std::int64_t>{9, 20, 20, 30, 100 + 2}));
    const QStringList extracted = rig.logLines().filter("Packet extracted: ");
    EXPECT_EQ(extracted,
              (QStringList{"Packet extracted: 1234FF021011", "Packet extracted: FF022021",
                           "Packet extracted: FF023031", "Packet extracted: FF024041"}));
}

TEST_F(Stream, DebugLinesOfOneFrame) {
    selectEcu({13});
    rig.collectDebug(true);
    streamScript({{10, "FF0142"}});
    stopAt(270 + 30);
    const qsizetype before = rig.log.count();
    rig.engine.StartClick();
    const QStringList lines = rig.colouredLines(before);
    const QStringList start{
        "#000000 Execute AnswerRespond",
        "#000080 Calc Length packet ->        1",
        "#000080 Packet request: 5A0C",
        "#000080 Packet respond: A50C",
        "#000080 Active Packet request: ",
        "#000080 Active Packet respond: ",
        "#000080 Buff after packet put: A50C",
        "#000080 Tx :F0",
        "#000080 Get Packet Length... ->        1",
        "#000080 Buff: FF0142",
        "#800080 Buff before: FF0142",
        "#800080 -- i ->      13",
        "#800080 -- Received ->      66",
        "#008000 Packet extracted: FF0142",
        "#008000 Packet position:        4",
        "#008000 Buff left:        0",
    };
    EXPECT_EQ(lines.mid(0, start.size()), start);
    EXPECT_EQ(lines.mid(lines.size() - 3),
              (QStringList{"#FF0000 --Flag! ->True", "#FF0000 CUStopRequest...",
                           "#FF0000 Thread terminated."}));
    EXPECT_FALSE(rig.view.bufferStatus.empty());
}

TEST_F(Stream, OverMaxFrameIsLoggedWithoutDebugCollection) {
    selectEcu({13});
    streamScript({{10, "FF0142"}, {60, "FF0143"}});
    rig.converters.onCall = [this](int) {
        if (rig.engine.RxData.contains(hex("FF0142")))
            rig.engine.OverMaxSeen = 1; // what a converter does for a value out of limits
    };
    stopAt(270 + 100);
    rig.engine.StartClick();
    EXPECT_EQ(rig.logLines(),
              (QStringList{"Packet extracted: FF0142", "Packet position:        4"}));
    EXPECT_EQ(rig.engine.OverMaxSeen, 0);
}

TEST_F(Stream, SilentUnitEndsTheStreamAfterFiveSeconds) {
    selectEcu({13, 14});
    rig.collectDebug(true);
    streamScript({{10, "FF021011"}, {60, "FF022021"}});
    rig.engine.StartClick();
    EXPECT_EQ(rig.prompts.warnings, QStringList{"ECU closed communication unexpectedly."});
    // 250 looks of 20 ms after the last complete frame, then 0x30 answered at once.
    EXPECT_EQ(rig.port.writes().back().bytes, hex("30"));
    EXPECT_EQ(rig.port.writes().back().ms - t0, 270 + 60 + 5000);
    EXPECT_TRUE(rig.logLines().contains("Buff is empty. Buff:        0"));
    EXPECT_EQ(rig.menu.startCaption(), "&Start");
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_EQ(raws(13).size(), 3u);
}

TEST_F(Stream, TruncatedFrameEndsTheStreamAfterFiveSeconds) {
    selectEcu({13, 14});
    rig.collectDebug(true);
    streamScript({{10, "FF021011"}, {60, "FF0220"}}); // the second frame never completes
    rig.engine.StartClick();
    EXPECT_EQ(rig.prompts.warnings, QStringList{"ECU closed communication unexpectedly."});
    EXPECT_EQ(rig.port.writes().back().ms - t0, 270 + 10 + 5000);
    EXPECT_TRUE(rig.logLines().contains("Buff too small. Buff:        3"));
    EXPECT_EQ(raws(13), (std::vector<std::uint8_t>{0x10, 0x10}));
}

TEST_F(Stream, NoiseWithoutFrameStartDoesNotKeepTheStreamAlive) {
    selectEcu({13});
    std::vector<std::pair<int, const char*>> noise;
    for (int t = 5; t < 20000; t += 3)
        noise.push_back({t, "1234"});
    streamScript(noise);
    rig.engine.StartClick();
    EXPECT_EQ(rig.prompts.warnings, QStringList{"ECU closed communication unexpectedly."});
    EXPECT_EQ(rig.port.writes().back().ms - t0, 270 + 5000);
}

TEST_F(Stream, EmptyRequestIsRefused) {
    selectEcu({});
    rig.engine.StartClick();
    EXPECT_EQ(rig.prompts.warnings, QStringList{"ECU request is empty. Exit."});
    EXPECT_TRUE(rig.port.writes().empty());
    EXPECT_EQ(rig.menu.startCaption(), "&Start");
    // The closing steps run all the same.
    EXPECT_EQ(rig.journal.last(), "autosave 2 Reading Sensors");
}

TEST_F(Stream, PackedRecordingConvertsOnlyChanges) {
    selectEcu({13, 19, 20, 21, 22, 23, 24}); // battery and the group 0x13 with its bits
    rig.menu.set(MenuState::Packed_record, true);
    RegisterTable[13].Raw = 0x55; // survives from an earlier stream
    rig.collectDebug(true);
    streamScript({{10, "FF025501"}, {60, "FF025501"}, {110, "FF025603"}});
    stopAt(270 + 150);
    rig.engine.StartClick();
    EXPECT_EQ(raws(13), (std::vector<std::uint8_t>{0x56, 0x56}))
        << "a change, then the closing pass";
    EXPECT_EQ(raws(19), (std::vector<std::uint8_t>{0x01, 0x03, 0x03}));
    // An unchanged group is passed over with its bits: the log names its last bit row.
    const QStringList rows = rig.logLines().filter("-- i ->");
    EXPECT_EQ(rows, (QStringList{"-- i ->      13", "-- i ->      24", "-- i ->      13",
                                 "-- i ->      24", "-- i ->      13", "-- i ->      24"}));
    for (const auto& c : rig.converters.calls)
        EXPECT_NE(c.row, 20) << "bit rows are the group's business";
}

TEST_F(Stream, TransmissionFramesCarryEverySupportedRegister) {
    rig.port.setActive(true);
    rig.engine.LinkState = ssBusy;
    ASSERT_TRUE(rig.engine.Set_Module(ModuleAt));
    rig.unit.modules[ModuleAt].refused = {0x01};
    RegisterTable[50].Unsupported = true; // 0x01, refused at detection
    for (int r = 49; r <= 82; ++r)
        RegisterTable[r].Selected = !RegisterTable[r].Unsupported;
    RegisterTable[51].Selected = false; // 0x02 supported but not wanted
    for (int r = 64; r <= 68; ++r)      // group 0x09 with every bit unchecked
        RegisterTable[r].Selected = false;
    rig.engine.CalcLength[ModuleAt] = 17;
    rig.engine.Set_Packets();
    rig.engine.LinkState = ssIdle;
    rig.port.clearWrites();
    t0 = rig.pump.nowMs();
    stopAt(270 + 30);
    rig.unit.value = [](std::uint8_t addr, int) { return std::uint8_t(addr + 0x40); };
    rig.engine.StartClick();

    EXPECT_EQ(rig.port.writes()[0].bytes, hex("9F"));
    EXPECT_EQ(rig.unit.frames().front().size(), 2 + 17);
    EXPECT_TRUE(raws(51).empty());
    EXPECT_TRUE(raws(64).empty());
    // Every selected row got its own byte: the unselected ones took theirs.
    for (int r : {49, 52, 53, 54, 55, 69, 74, 82})
        EXPECT_EQ(raws(r).front(), RegisterTable[r].Addr + 0x40) << r;
}

TEST_F(Stream, TimeAxisFollowsFromAnEarlierOffset) {
    selectEcu({13});
    rig.engine.TimeOffset[ModuleEcu] = 5 * 60000;
    stopAt(270 + 10 + 50 * 6 + 20);
    rig.engine.StartClick();
    // The mark starts at one minute: it catches up one step per frame.
    ASSERT_EQ(rig.oscillo.scrolls.size(), 5u);
    for (const auto& s : rig.oscillo.scrolls)
        EXPECT_EQ(s, (std::pair<int, std::int64_t>{ModuleEcu, 60000}));
}

TEST_F(Stream, LongStreamScrollsOncePerMinute) {
    selectEcu({13});
    rig.menu.set(MenuState::Show_oscillogram, true);
    rig.unit.framePeriodMs = 200;
    stopAt(270 + 185000);
    rig.engine.StartClick();
    EXPECT_EQ(rig.oscillo.scrolls.size(), 3u);
    EXPECT_EQ(rig.unit.framesSent(), 925);
    EXPECT_EQ(rig.oscillo.repaints[ModuleEcu], int(raws(13).size()) - 1) << "one per frame";
    EXPECT_EQ(raws(13).size(), 926u);
}

TEST(StreamMidnight, TimeLineRunsOnAcrossMidnight) {
    // The wall clock passes midnight one minute into the stream.
    LinkRig rig;
    rig.port.setActive(true);
    rig.engine.LinkState = ssBusy;
    ASSERT_TRUE(rig.engine.Set_Module(ModuleEcu));
    RegisterTable[13].Selected = true;
    rig.engine.Set_Packets();
    rig.engine.LinkState = ssIdle;
    rig.pump.setWallClock(QDateTime(QDate(2024, 5, 17), QTime(23, 58, 59, 730)));
    rig.unit.framePeriodMs = 1000;
    rig.pump.at(rig.pump.nowMs() + 270 + 120500, [&] { rig.engine.StopDiag(); });
    rig.engine.StartClick();
    EXPECT_EQ(rig.pump.wallClock().date(), QDate(2024, 5, 18));
    const auto calls = rig.converters.callsFor(13);
    ASSERT_EQ(calls.size(), 121u + 1);
    for (size_t i = 0; i + 1 < calls.size(); ++i)
        EXPECT_EQ(calls[i].oscTime, 10 + 1000 * std::int64_t(i));
    EXPECT_EQ(rig.engine.TimeOffset[ModuleEcu], 120500 + 2);
}

TEST_F(Stream, SelectionChangedInsideAFrameKeepsTheFrame) {
    selectEcu({13, 14, 16});
    int calls = 0;
    rig.converters.onCall = [&](int row) {
        // While the first frame is converted the user drops two sensors and the
        // request is rebuilt for one byte.
        if (row == 13 && calls++ == 0) {
            RegisterTable[14].Selected = false;
            RegisterTable[16].Selected = false;
            rig.engine.Set_Packets();
        }
    };
    stopAt(270 + 10 + 50 * 2 + 20);
    rig.engine.StartClick();
    EXPECT_EQ(rig.engine.CalcLength[ModuleEcu], 1);
    EXPECT_EQ(raws(13), (std::vector<std::uint8_t>{0x0C, 0x0D, 0x0E, 0x0E}));
    EXPECT_TRUE(raws(14).empty()) << "its byte is read past, never converted";
    EXPECT_TRUE(raws(16).empty());
}

TEST_F(Stream, ModuleSelectedDuringTheStreamEndsIt) {
    selectEcu({13, 14});
    bool once = true;
    rig.converters.onCall = [&](int row) {
        if (row == 13 && once) {
            once = false;
            rig.engine.Set_Module(ModuleAt); // empties RxData under the loop
        }
    };
    rig.engine.StartClick();
    EXPECT_EQ(rig.engine.CurrentModule, ModuleAt);
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_EQ(rig.menu.startCaption(), "&Start");
    EXPECT_TRUE(rig.prompts.warnings.isEmpty());
    // The closing pass covers the stream's own unit.
    EXPECT_EQ(raws(13).size(), 2u);
}

TEST_F(Stream, CablePulledEndsTheStreamAtOnce) {
    selectEcu({13, 14});
    rig.port.hangUpAt(t0 + 270 + 1000);
    rig.engine.StartClick();
    EXPECT_EQ(rig.pump.nowMs() - t0, 270 + 1000) << "no five-second wait";
    EXPECT_EQ(rig.prompts.warnings, QStringList{"ECU closed communication unexpectedly."});
    EXPECT_FALSE(rig.port.isActive());
    EXPECT_EQ(rig.port.writes().back().bytes, hex("F0")) << "nothing sent to a pulled cable";
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_EQ(rig.menu.startCaption(), "&Start");
    EXPECT_EQ(rig.journal.last(), "autosave 2 Reading Sensors");

    // Start again before reconnecting: the same message, at once.
    const std::int64_t t1 = rig.pump.nowMs();
    rig.engine.StartClick();
    EXPECT_EQ(rig.pump.nowMs(), t1);
    EXPECT_EQ(rig.prompts.warnings.size(), 2);
}

TEST_F(Stream, UnitThatNeverStopsIsBoundedInMemory) {
    selectEcu({13, 14});
    rig.unit.ignoreStop = true;
    rig.unit.framePeriodMs = 5;
    stopAt(270 + 100);
    rig.engine.StartClick();
    EXPECT_EQ(rig.prompts.warnings, QStringList{"ECU did not respond for Exit from diag." + CR +
                                                "Communication closed."});
    EXPECT_EQ(rig.engine.LinkState, ssIdle);
    EXPECT_TRUE(rig.unit.streaming());
    rig.pump.runUntil(rig.pump.nowMs() + 10 * 60 * 1000);
    EXPECT_GT(rig.unit.framesSent(), 100000);
    EXPECT_LE(rig.engine.RxData.size(), LinkEngine::RxLimit);
}

TEST_F(Stream, ActiveTestBytesGoInFrontOfTheRequest) {
    selectEcu({13});
    rig.engine.ActivePacket.Request = hex("0A8701");
    rig.engine.ActivePacket.Response = hex("F58701");
    rig.pump.at(t0 + 270 + 30, [this] { rig.engine.StopDiag(); });
    rig.engine.StartDiag();
    EXPECT_EQ(rig.port.writes()[0].bytes, hex("0A87015A0C"));
    // "&Start" itself empties the active packet.
    t0 = rig.pump.nowMs();
    rig.port.clearWrites();
    stopAt(270 + 30);
    rig.engine.StartClick();
    EXPECT_EQ(rig.port.writes()[0].bytes, hex("5A0C"));
}

} // namespace
