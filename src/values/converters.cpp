#include "values/converters.h"

#include "protocol/coloured_lines.h"
#include "protocol/formatters.h"

#include <QStringLiteral>

namespace {

bool validRow(int row) {
    return row >= 1 && row <= RegisterCount;
}

// Every value is worked out in double and then rounded once to the stored float.
float valueOf(ConverterKind kind, const TMopaProtocol& r, int row) {
    const double raw = r.Raw;
    const double factor = r.Factor;
    switch (kind) {
    case ConverterKind::ConvertByte:
        return static_cast<float>(raw * factor);
    case ConverterKind::ConvertWord: {
        const double high = (row > 1) ? RegisterTable[row - 1].Raw : 0.0;
        return static_cast<float>((high * 256.0 + raw) * factor);
    }
    case ConverterKind::ConvertOffset:
        return static_cast<float>(raw + factor);
    case ConverterKind::ConvertInverse:
        return static_cast<float>(factor - raw);
    case ConverterKind::ConvertNone:
    case ConverterKind::ConvertBits:
        break;
    }
    return r.Value;
}

void logOverRange(int row, const TMopaProtocol& r, const ConvertContext& ctx) {
    if (!ctx.CollectOverMax)
        return;
    const double v = r.Value;
    if (!(v > r.Max || v < r.Min))
        return;
    if (ctx.OverMaxSeen)
        *ctx.OverMaxSeen = 1;
    if (!ctx.Log)
        return;
    // Written whatever the debug switch says, in the colour last set.
    ctx.Log->add(QStringLiteral(">> i ->") + FormatCount(row));
    ctx.Log->add(QStringLiteral(">> Received ->") + FormatCount(r.Raw));
    ctx.Log->add(QStringLiteral(">> Converted ->") + FormatReal(r.Value));
}

void convertValue(ConverterKind kind, int row, bool show, bool record, const ConvertContext& ctx) {
    if (!validRow(row))
        return;
    TMopaProtocol& r = RegisterTable[row];
    r.Value = valueOf(kind, r, row);
    if (kind == ConverterKind::ConvertWord && r.Averaging) {
        r.AvgSum += r.Value;
        ++r.AvgCount;
    }
    if (show && r.Gauge)
        r.Gauge->setReading(r.Value);
    if (record && r.Series)
        r.Series->addPoint(static_cast<double>(ctx.OscTime), r.Value);
    logOverRange(row, r, ctx);
}

} // namespace

void ConvertNone(int&, bool, bool, const ConvertContext&) {}

void ConvertByte(int& row, bool show, bool record, const ConvertContext& ctx) {
    convertValue(ConverterKind::ConvertByte, row, show, record, ctx);
}

void ConvertWord(int& row, bool show, bool record, const ConvertContext& ctx) {
    convertValue(ConverterKind::ConvertWord, row, show, record, ctx);
}

void ConvertOffset(int& row, bool show, bool record, const ConvertContext& ctx) {
    convertValue(ConverterKind::ConvertOffset, row, show, record, ctx);
}

void ConvertInverse(int& row, bool show, bool record, const ConvertContext& ctx) {
    convertValue(ConverterKind::ConvertInverse, row, show, record, ctx);
}

void ConvertBits(int& row, bool show, bool record, const ConvertContext& ctx) {
    if (!validRow(row))
        return;
    const int groupByte = RegisterTable[row].Raw;
    // A switch is a step trace on its own pair of levels; each edge is two points
    // at the same time so that it is drawn vertical.
    while (row < RegisterCount && RegisterTable[row + 1].isBit()) {
        ++row;
        TMopaProtocol& b = RegisterTable[row];
        if (!b.Selected)
            continue;
        const double level = 3.0 * (row - ctx.FirstRegister);
        const double x = static_cast<double>(ctx.OscTime);
        const bool bitOn = (groupByte & b.BitMask & 0xFF) != 0;
        if (!bitOn && b.Value == 1.0f) {
            b.Value = 0.0f;
            if (show && b.Lamp)
                b.Lamp->setOn(false);
            if (record && b.Series) {
                b.Series->addPoint(x, level + 1.0);
                b.Series->addPoint(x, level);
            }
        } else if (bitOn && b.Value == 0.0f) {
            b.Value = 1.0f;
            if (show && b.Lamp)
                b.Lamp->setOn(true);
            if (record && b.Series) {
                b.Series->addPoint(x, level);
                b.Series->addPoint(x, level + 1.0);
            }
        }
    }
}

void Convert(int& row, bool show, bool record, const ConvertContext& ctx) {
    if (!validRow(row))
        return;
    switch (RegisterTable[row].Converter) {
    case ConverterKind::ConvertNone:
        ConvertNone(row, show, record, ctx);
        break;
    case ConverterKind::ConvertByte:
        ConvertByte(row, show, record, ctx);
        break;
    case ConverterKind::ConvertWord:
        ConvertWord(row, show, record, ctx);
        break;
    case ConverterKind::ConvertOffset:
        ConvertOffset(row, show, record, ctx);
        break;
    case ConverterKind::ConvertInverse:
        ConvertInverse(row, show, record, ctx);
        break;
    case ConverterKind::ConvertBits:
        ConvertBits(row, show, record, ctx);
        break;
    }
}

void StartAveraging(int row) {
    if (!validRow(row))
        return;
    TMopaProtocol& r = RegisterTable[row];
    r.AvgSum = 0.0;
    r.AvgCount = 0;
    r.Averaging = true;
}

double TakeAverage(int row) {
    if (!validRow(row))
        return 0.0;
    TMopaProtocol& r = RegisterTable[row];
    r.Averaging = false;
    if (r.AvgSum == 0.0 || r.AvgCount == 0)
        return 0.0;
    return r.AvgSum / r.AvgCount;
}
