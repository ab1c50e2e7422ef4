#include "protocol/active_tests.h"

#include <QtGlobal>

#include <cmath>

namespace {

TMopaActive row(unsigned char code, const char* name, int def, int max, int min, int offset,
                double scale) {
    TMopaActive r;
    r.Code = ByteString(1, char(code));
    r.Default = def;
    r.Max = max;
    r.Min = min;
    r.Offset = offset;
    r.Scale = scale;
    r.Name = QString::fromLatin1(name);
    return r;
}

std::array<TMopaActive, ActiveCount + 1> makeTable() {
    return {{
        {},
        row(0x80, "Coolant temperature", 90, 150, -50, 50, 0),
        row(0x81, "Fuel injector timing", 0, 50, -50, 100, 0),
        row(0x82, "Ignition timing", 0, 15, -15, 0, 0),
        row(0x84, "IACV-AAC/V opening", 0, 100, 0, 0, 1.4),
        row(0x85, "IACV opening", 0, 100, 0, 0, 1.4),
        row(0x87, "IACV/FICD", 0, 1, 0, 1, 0),
        // The pump is normally on: the test switches it off.
        row(0x89, "Fuel pump", 1, 0, 1, 1, 0),
        row(0x8A, "P/REG ctrl", 0, 1, 0, 1, 0),
        row(0x8C, "IACV-AAC/V ctrl", 0, 1, 0, 1, 0),
        row(0x8F, "Valve timing", 0, 1, 0, 1, 0),
        row(0x90, "MAP switch", 0, 1, 0, 1, 0),
        row(0x93, "Fan - LOW", 0, 1, 0, 1, 0),
        row(0x94, "Fan - HIGH", 0, 1, 0, 1, 0),
        row(0x8B, "SELF LEARN control", 0, 1, 0, 1, 0),
        row(0x88, "POWER BALANCE TEST", 0, 255, 0, 1, 0),
    }};
}

} // namespace

std::array<TMopaActive, ActiveCount + 1> ActiveTable = makeTable();

void ResetActiveRuntime() {
    for (TMopaActive& r : ActiveTable) {
        r.Edit = nullptr;
        r.Check = nullptr;
        r.Available = 0;
    }
}

unsigned char ActiveValueByte(int r, int v) {
    Q_ASSERT(r >= 1 && r <= ActiveCount);
    const TMopaActive& row = ActiveTable.at(static_cast<std::size_t>(r));
    if (r <= 3) {
        // Only the low 8 bits of the sum go on the line: -15 + 0 is 0xF1.
        return static_cast<unsigned char>((v + row.Offset) & 0xFF);
    }
    if (r <= 5) {
        return static_cast<unsigned char>(std::lround(v * row.Scale) & 0xFF);
    }
    // The other rows send their setting as it is (on/off byte, cylinder mask).
    return static_cast<unsigned char>(v & 0xFF);
}
