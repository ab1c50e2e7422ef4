#include "diagnosis/fault_decoder.h"

#include "protocol/coloured_lines.h"
#include "protocol/commands.h"
#include "protocol/faults.h"
#include "protocol/formatters.h"

#include <algorithm>

namespace {

constexpr int IdentBlock = 22; // bytes of the engine unit's identification

// The code's two hex digits, each as a decimal number two characters wide: 0xA3
// reads "10- 3".
QString codeText(std::uint8_t code) {
    return FormatWidth(code >> 4, 2) + QStringLiteral("-") + FormatWidth(code & 0x0F, 2);
}

} // namespace

QString faultLineText(std::uint8_t code, std::uint8_t starts, const QString& text) {
    return codeText(code) + QStringLiteral(": ") + text + QStringLiteral(" ") +
           FormatCount(starts) + QStringLiteral(" engine starts passed.");
}

QString unknownFaultLineText(std::uint8_t code, std::uint8_t starts) {
    return codeText(code) + QStringLiteral(": Unknown error has happened ") + FormatCount(starts) +
           QStringLiteral(" engine starts passed.");
}

FaultFrame decodeFaultReply(int unit, int mode, const ByteString& rx) {
    FaultFrame f;
    qsizetype first = 0; // the data occupy [first, end)
    qsizetype end = 0;
    for (qsizetype from = 0;; from = f.start + 1) {
        f.start = rx.indexOf(char(proto::FrameStart), from);
        f.length = -1;
        if (f.start < 0 || f.start + 1 >= rx.size())
            return f;
        f.length = byteAt(rx, f.start + 1);
        first = f.start + 2;
        end = first + f.length;
        // One more byte must have arrived after the data.
        if (rx.size() < end + 1)
            return f;
        // The unit repeats its frame, so its frame is followed by the next one's
        // 0xFF. A 0xFF that is not (line noise, or the last data byte of a frame
        // whose start was cut off) only looked like a frame start.
        if (byteAt(rx, end) == proto::FrameStart)
            break;
    }
    f.complete = true;

    qsizetype p = first;
    while (p < end && byteAt(rx, p) != proto::FrameStart) {
        if (unit == ModuleEcu && mode == 3) {
            const qsizetype n = std::min<qsizetype>(IdentBlock, end - p);
            f.lines.push_back(
                {QStringLiteral("ECU info: ") + BytesToHex(rx.mid(p, n)), ColouredLines::Green});
            p += n;
        } else if (unit == ModuleEcu && (mode == 1 || mode == 2)) {
            if (end - p < 2)
                break; // a code without its count
            const std::uint8_t code = byteAt(rx, p);
            const std::uint8_t starts = byteAt(rx, p + 1);
            p += 2;
            const QStringList texts = FaultTexts(code);
            if (texts.isEmpty()) {
                f.lines.push_back({unknownFaultLineText(code, starts), ColouredLines::Red});
            }
            for (const QString& text : texts)
                f.lines.push_back({faultLineText(code, starts, text), ColouredLines::Red});
        } else if (unit != ModuleEcu) {
            // Replies of the other units are not decoded: each byte is shown as it is.
            for (int i = 0; i < 3 && p < end; ++i, ++p)
                f.lines.push_back(
                    {FormatWidth(byteAt(rx, p), 4) + QStringLiteral(": Unknown error."), {}});
        } else {
            break; // the engine unit has no other requests
        }
    }
    f.position = p + 1;
    return f;
}
