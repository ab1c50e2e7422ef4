// Fuzz target: the streaming loop fed arbitrary bytes in arbitrary pieces, with the
// selection changed, another exchange run or the cable pulled in the middle of a
// frame. Any read outside RxData, hang or unbounded growth is a finding; the
// invariants below abort.
//
// Input: byte 0 = switches, byte 1 = ECU selection, then pieces of
// (length & 31, gap byte, bytes...).
#include "support/link_rig.h"

#include "protocol/registers.h"

#include <cstdint>
#include <cstdlib>

namespace {

void check(bool ok) {
    if (!ok)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const std::uint8_t flags = data[0];
    const bool at = flags & 0x01;
    const bool packed = flags & 0x02;
    const bool debug = flags & 0x04;
    const bool reselect = flags & 0x08;
    const bool pullCable = flags & 0x10;
    const bool nested = flags & 0x20;
    const bool runOut = flags & 0x40; // no stop: the silence ends the stream

    LinkRig rig;
    rig.port.setActive(true);
    rig.engine.LinkState = ssBusy;
    check(rig.engine.Set_Module(at ? ModuleAt : ModuleEcu));
    const RegisterRangeT range = RegisterRange(rig.engine.CurrentModule);
    static const int ecuRows[8] = {1, 2, 13, 14, 19, 33, 44, 48};
    for (int r = range.first; r <= range.last; ++r)
        RegisterTable[r].Selected = at;
    if (!at)
        for (int i = 0; i < 8; ++i)
            if (data[1] & (1 << i)) {
                const int g = ecuRows[i];
                RegisterTable[g].Selected = true;
                for (int b = g + 1; b <= range.last && RegisterTable[b].isBit(); ++b)
                    RegisterTable[b].Selected = true;
            }
    if (at)
        rig.engine.CalcLength[ModuleAt] = std::uint8_t(data[1] % 24);
    rig.engine.Set_Packets();
    rig.engine.LinkState = ssIdle;
    rig.menu.set(MenuState::Packed_record, packed);
    rig.collectDebug(debug);

    // The pieces the "unit" sends after 0xF0.
    std::int64_t t = 0;
    std::vector<std::pair<std::int64_t, ByteString>> pieces;
    for (std::size_t i = 2; i + 1 < size;) {
        const std::size_t len = data[i] & 31;
        t += data[i + 1] % 40;
        i += 2;
        const std::size_t n = std::min(len, size - i);
        pieces.emplace_back(t, ByteString(reinterpret_cast<const char*>(data + i), qsizetype(n)));
        i += n;
    }
    rig.unit.intercept = [&](std::uint8_t b) {
        if (b != 0xF0)
            return false;
        for (const auto& [dt, bytes] : pieces)
            rig.port.deliverAfter(dt, bytes);
        return true;
    };
    const std::int64_t start = rig.pump.nowMs() + 270;
    if (pullCable)
        rig.port.hangUpAt(start + t / 2 + 1);
    if (!runOut)
        rig.pump.at(start + t + 50, [&] { rig.engine.StopDiag(); });

    int calls = 0;
    rig.converters.onCall = [&](int row) {
        check(row >= 1 && row <= RegisterCount);
        ++calls;
        if (reselect && calls % 3 == 1) {
            RegisterTable[row].Selected = !RegisterTable[row].Selected;
            rig.engine.CalcLength[rig.engine.CurrentModule] ^= std::uint8_t(calls & 7);
            rig.engine.Set_Packets();
        }
        if (nested && calls == 2)
            rig.engine.WaitForMngRespond(cmdExitDiag, false); // empties RxData underneath
    };

    rig.engine.StartClick();

    check(rig.engine.LinkState == ssIdle);
    const bool streamed = rig.port.written().contains(char(0xF0));
    check(!streamed || rig.engine.RxData.isEmpty());
    check(rig.menu.startCaption() == QStringLiteral("&Start"));
    // A stream ends within its silence limit after the last byte (plus the stop).
    check(rig.pump.nowMs() <= start + t + 5000 + 2000);
    // What arrives afterwards with nobody reading stays bounded.
    rig.port.deliverAfter(1, ByteString(70000, char(0x55)));
    rig.pump.runUntil(rig.pump.nowMs() + 2);
    check(rig.engine.RxData.size() <= LinkEngine::RxLimit);
    return 0;
}
