#include "protocol/formatters.h"

#include <algorithm>
#include <cmath>

// QString::number never uses the locale, so log and report numbers keep a point
// even where Qt switched the C library to a decimal comma.

QString BytesToHex(const ByteString& bytes, qsizetype count) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    count = std::clamp<qsizetype>(count, 0, bytes.size());
    QString out(count * 2, Qt::Uninitialized);
    for (qsizetype i = 0; i < count; ++i) {
        const unsigned char b = byteAt(bytes, i);
        out[2 * i] = QLatin1Char(Digits[b >> 4]);
        out[2 * i + 1] = QLatin1Char(Digits[b & 0x0F]);
    }
    return out;
}

QString FormatWidth(double number, int width) {
    double rounded = std::round(number); // halves away from zero
    if (rounded == 0.0) {
        rounded = 0.0; // no "-0"
    }
    return QString::number(rounded, 'f', 0).rightJustified(std::max(width, 0), QLatin1Char(' '));
}

QString FormatCount(double number) {
    return FormatWidth(number, 8);
}

QString FormatReal(double number) {
    return QString::number(number, 'f', 2).rightJustified(8, QLatin1Char(' '));
}
