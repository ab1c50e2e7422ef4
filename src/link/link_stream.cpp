// The stream request and the streaming loop: the program's main loop while the
// user watches live data.
#include "link/frame_layout.h"
#include "link/link_engine.h"

#include "protocol/formatters.h"
#include "protocol/registers.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int StreamPoll = 20; // ms between looks for a frame
constexpr std::int64_t StreamSilence =
    250 * 20; // no complete frame for this long: the unit is gone
constexpr std::int64_t ScrollStep = 60000;

ByteString oneByte(unsigned char b) {
    return ByteString(1, char(b));
}

} // namespace

void LinkEngine::Set_Packets() {
    const int m = CurrentModule;
    if (collecting())
        log().add(QStringLiteral("SET PACKETS."));
    TMopa_Packet& packet = ModulePackets[m];
    packet.clear();
    if (m == ModuleAt) {
        // The AT streams every supported register on one request byte; the frame
        // length stays as detection counted it.
        packet.Request += char(proto::StreamAll);
        packet.Response += char(proto::StreamAll);
    } else {
        CalcLength[m] = 0;
        const int last = std::min(LastRegister, RegisterCount);
        for (int r = std::max(FirstRegister, 1); r <= last; ++r) {
            const TMopaProtocol& reg = RegisterTable[r];
            if (!reg.Selected || reg.isBit())
                continue;
            ++CalcLength[m];
            packet.Request += char(proto::ReqPreff);
            packet.Request += char(reg.Addr);
            packet.Response += char(proto::ReqPreffAck);
            packet.Response += char(reg.Addr);
        }
    }
    if (collecting()) {
        log().add(QStringLiteral("Packets done."));
        log().add(QStringLiteral("Packet request: ") + BytesToHex(packet.Request));
        log().add(QStringLiteral("Packet respond: ") + BytesToHex(packet.Response));
    }
}

void LinkEngine::StartClick() {
    ActivePacket.clear();
    if (menu().startCaption() != QStringLiteral("&Start")) {
        StopDiag();
        return;
    }
    StartDiag();
    const int m = CurrentModule;
    oscillo().setEndOsc(m, 0xFF0000, TimeOffset[m]);
    oscillo().autosave(m, QStringLiteral("Reading Sensors"));
}

void LinkEngine::StartDiag() {
    if (LinkState == ssStreaming)
        return;
    if (CalcLength[CurrentModule] == 0) {
        prompts().warning(QStringLiteral("ECU request is empty. Exit."));
        return;
    }
    menu().setStartCaption(QStringLiteral("&Stop"));
    if (collecting())
        log().add(QStringLiteral("Execute AnswerRespond"));
    LinkState = ssStreaming;
    bool ok = false;
    try {
        ok = WaitForAnswerRespond();
    } catch (...) {
        menu().setStartCaption(QStringLiteral("&Start"));
        throw;
    }
    if (!ok)
        prompts().warning(QStringLiteral("ECU closed communication unexpectedly."));
    menu().setStartCaption(QStringLiteral("&Start"));
}

void LinkEngine::StopDiag() {
    // Runs nested inside the loop's event handling; the loop sees the new state
    // at the end of its pass, which the wake-up brings forward to now.
    if (LinkState != ssStreaming)
        return;
    LinkState = ssStopping;
    menu().setStartCaption(QStringLiteral("&Start"));
    pump().wake();
}

bool LinkEngine::WaitForAnswerRespond() {
    const int m = CurrentModule;
    bool result = true;
    // The frame is what the unit was asked for: its length and the row of each data
    // byte are fixed for the whole stream. A selection changed meanwhile (events run
    // between registers) then changes which rows are converted, never how many bytes
    // a frame is read with.
    const int dataLength = CalcLength[m];
    const int frameSize = dataLength + 2;
    const std::vector<int> rows = FrameRows(m);

    RxData.clear();
    RxFlag = 0;
    RxArmed = 0; // replies are not watched during the stream
    try {
        send(ActivePacket.Request + ModulePackets[m].Request);
    } catch (...) {
        LinkState = ssIdle;
        throw;
    }
    if (collecting()) {
        log().add(ColouredLines::Navy,
                  QStringLiteral("Calc Length packet -> ") + FormatCount(CalcLength[m]));
        log().add(QStringLiteral("Packet request: ") + BytesToHex(ModulePackets[m].Request));
        log().add(QStringLiteral("Packet respond: ") + BytesToHex(ModulePackets[m].Response));
        log().add(QStringLiteral("Active Packet request: ") + BytesToHex(ActivePacket.Request));
        log().add(QStringLiteral("Active Packet respond: ") + BytesToHex(ActivePacket.Response));
    }
    fixedPause(270);
    if (collecting())
        log().add(QStringLiteral("Buff after packet put: ") + BytesToHex(RxData));
    RxData.clear();
    try {
        send(oneByte(proto::EndReq));
    } catch (...) {
        LinkState = ssIdle;
        throw;
    }
    if (collecting())
        log().add(QStringLiteral("Tx :") + BytesToHex(oneByte(proto::EndReq)));

    StreamStart[m] = pump().nowMs();
    NextScrollMark = ScrollStep;
    std::int64_t lastProgress = pump().nowMs();
    const auto silent = [&] {
        return m_portLost || pump().nowMs() - lastProgress >= StreamSilence;
    };
    // A look: 20 ms or until bytes arrive, never past the silence limit.
    const auto look = [&] {
        const std::int64_t rest = lastProgress + StreamSilence - pump().nowMs();
        if (rest > 0 && !m_portLost)
            pump().pause(int(std::min<std::int64_t>(StreamPoll, rest)));
    };

    do {
        pump().processPending();
        if (collecting())
            view().setBufferStatus(int(RxData.size()));
        const qsizetype start = RxData.indexOf(char(proto::FrameStart));
        PosR = int(start) + 1;
        if (start < 0) {
            look();
            if (silent()) {
                LinkState = ssStopping;
                result = false;
                if (collecting())
                    log().add(QStringLiteral("Buff is empty. Buff: ") +
                              FormatCount(double(RxData.size())));
            }
            continue;
        }
        if (collecting()) {
            const int lengthByte = start + 1 < RxData.size() ? byteAt(RxData, start + 1) : 0;
            log().add(QStringLiteral("Get Packet Length... -> ") + FormatCount(lengthByte));
            log().add(QStringLiteral("Buff: ") + BytesToHex(RxData));
        }
        if (RxData.size() < start + frameSize) {
            pump().processPending();
            look();
            if (silent()) {
                LinkState = ssStopping;
                result = false;
                if (collecting())
                    log().add(QStringLiteral("Buff too small. Buff: ") +
                              FormatCount(double(RxData.size())));
            }
            continue;
        }

        // A complete frame. Its bytes are copied out: the events handled between its
        // registers may run another exchange that empties RxData.
        lastProgress = pump().nowMs();
        const std::int64_t frameEnd = rxBase() + start + frameSize;
        const std::int64_t arrived = rxArrivalMs(start + frameSize - 1);
        const ByteString frame = RxData.mid(start, frameSize);
        const ByteString extracted = RxData.left(start + frameSize);
        if (menu().isOn(MenuState::Collect_oscillo)) {
            OscTime = std::llabs(arrived - StreamStart[m]) + TimeOffset[m];
            if (NextScrollMark < OscTime) {
                NextScrollMark += ScrollStep;
                oscillo().scrollTime(m, ScrollStep);
            }
        }
        int pos = int(start) + 1 + 2;
        PosR = pos;
        if (collecting())
            log().add(ColouredLines::Purple, QStringLiteral("Buff before: ") + BytesToHex(RxData));
        convertFrame(m, frame, rows, pos);
        if (menu().isOn(MenuState::Show_oscillogram))
            oscillo().repaint(m);
        pump().processPending();
        if (collecting() || OverMaxSeen) {
            log().add(ColouredLines::Green,
                      QStringLiteral("Packet extracted: ") + BytesToHex(extracted));
            log().add(QStringLiteral("Packet position: ") + FormatCount(pos));
            OverMaxSeen = 0;
        }
        dropRxThrough(frameEnd);
        if (collecting())
            log().add(QStringLiteral("Buff left: ") + FormatCount(double(RxData.size())));
    } while (LinkState == ssStreaming);

    CUStopRequest();
    if (menu().isOn(MenuState::Collect_oscillo))
        OscTime = std::llabs(pump().nowMs() - StreamStart[m]) + TimeOffset[m];
    TimeOffset[m] = OscTime; // the next stream of the module continues from here
    finalPass(m);
    pump().processPending();
    if (collecting())
        log().add(QStringLiteral("Thread terminated."));
    RxData.clear();
    LinkState = ssIdle;
    return result;
}

void LinkEngine::convertFrame(int module, const ByteString& frame, const std::vector<int>& rows,
                              int& pos) {
    Q_UNUSED(module);
    const bool packed = menu().isOn(MenuState::Packed_record);
    const qsizetype data = frame.size() - 2;
    for (qsizetype i = 0; i < data; ++i) {
        const std::uint8_t b = byteAt(frame, 2 + i);
        int shown = 0; // the row the debug lines name
        if (i < qsizetype(rows.size())) {
            const int r = rows[size_t(i)];
            TMopaProtocol& reg = RegisterTable[r];
            shown = r;
            if (reg.Selected) {
                if (packed && b == reg.Raw) {
                    // Unchanged: no point; a group's bits are passed over with it.
                    if (reg.isGroup())
                        shown = std::min(r + reg.Min, RegisterCount);
                } else {
                    reg.Raw = b;
                    int row = r;
                    if (m_s.converters)
                        m_s.converters->convert(row, menu().isOn(MenuState::Show_i),
                                                menu().isOn(MenuState::Collect_oscillo));
                    shown = std::clamp(row, 1, RegisterCount);
                }
            }
        }
        if (collecting() && shown > 0) {
            log().add(QStringLiteral("-- i ->") + FormatCount(shown));
            log().add(QStringLiteral("-- Received ->") + FormatCount(RegisterTable[shown].Raw));
        }
        ++pos;
        PosR = pos;
        pump().processPending();
    }
}

// One more conversion of every selected row closes each series at the stream's
// end time. The walk covers the stream's own module, even if another one was
// selected while it ran.
void LinkEngine::finalPass(int module) {
    if (!m_s.converters)
        return;
    const RegisterRangeT range = RegisterRange(module);
    const int last = std::min(range.last, RegisterCount);
    for (int r = std::max(range.first, 1); r <= last; ++r) {
        if (!RegisterTable[r].Selected)
            continue;
        int row = r;
        m_s.converters->convert(row, menu().isOn(MenuState::Show_i),
                                menu().isOn(MenuState::Collect_oscillo));
        if (row > r && row <= last) // a group leaves the index on its last bit
            r = row;
    }
}
