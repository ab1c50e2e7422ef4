#include "protocol/registers.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using enum ConverterKind;

// High byte of a 16-bit value; the value row follows it.
TMopaProtocol high(std::uint8_t addr, int valueNo, const QString& name) {
    TMopaProtocol r;
    r.Addr = addr;
    r.ValueNo = valueNo;
    r.Name = name;
    r.Converter = ConvertNone;
    r.Kind = 2;
    return r;
}

TMopaProtocol val(std::uint8_t addr, int valueNo, const QString& name, ConverterKind converter,
                  float factor, int min, int max, std::uint32_t color1, std::uint32_t color2,
                  const QString& display, const QString& hint) {
    TMopaProtocol r;
    r.Addr = addr;
    r.ValueNo = valueNo;
    r.Name = name;
    r.Factor = factor;
    r.Converter = converter;
    r.Kind = 0;
    r.Color1 = color1;
    r.Color2 = color2;
    r.Min = min;
    r.Max = max;
    r.Display = display;
    r.Hint = hint;
    return r;
}

// A group byte: Min is the number of its bit rows, Max the OR of their masks.
TMopaProtocol group(std::uint8_t addr, int bitRows, int masks, const QString& name) {
    TMopaProtocol r;
    r.Addr = addr;
    r.ValueNo = 255;
    r.Name = name;
    r.Converter = ConvertBits;
    r.Kind = 2;
    r.Min = bitRows;
    r.Max = masks;
    return r;
}

TMopaProtocol bit(std::uint8_t addr, int mask, const QString& name, const QString& display,
                  const QString& hint) {
    TMopaProtocol r;
    r.Addr = addr;
    r.ValueNo = 0;
    r.Name = name;
    r.BitMask = mask;
    r.Converter = ConvertNone;
    r.Kind = 1;
    r.Display = display;
    r.Hint = hint;
    return r;
}

// clang-format off
std::array<TMopaProtocol, RegisterCount + 1> makeTable() {
    return {{
    {},
    /*  1 */ high(0x00, 1, u"CAS position - RPM Hi"_s),
    /*  2 */ val(0x01, 1, u"CAS position - RPMx1000"_s, ConvertWord, 0.0125f, 0, 8, 0xFFFF00, 0xFF0000, u"CMPS - RPMx1000 (POS) %f"_s, u"Обороты двигателя (по показаниям датчика положения коленвала)"_s),
    /*  3 */ high(0x02, 2, u"CAS reference - RPM Hi"_s),
    /*  4 */ val(0x03, 2, u"CAS reference - RPMx1000"_s, ConvertWord, 0.008f, 0, 8, 0xFFFF00, 0xFF0000, u"CMPS - RPMx1000 (REF) %f"_s, u"Обороты двигателя (по показаниям датчика положения коленвала)"_s),
    /*  5 */ high(0x04, 3, u"MAF voltage Hi"_s),
    /*  6 */ val(0x05, 3, u"MAF voltage"_s, ConvertWord, 0.005f, 0, 4, 0x00FFFF, 0x0000FF, u"MAF AIR/FL -Left %f V"_s, u"Датчик расхода воздуха"_s),
    /*  7 */ high(0x06, 24, u"MAF voltage R Hi"_s),
    /*  8 */ val(0x07, 24, u"MAF voltage Right"_s, ConvertWord, 0.005f, 0, 4, 0x00FFFF, 0x0000FF, u"MAF AIR/FL -Right %f V"_s, u"Датчик расхода воздуха"_s),
    /*  9 */ val(0x08, 4, u"Coolant Temp"_s, ConvertOffset, -50, -40, 120, 0xA6CAF0, 0x0000FF, u"COOLAN TEMP %f C"_s, u"Температура охлаждающей жидкости"_s),
    /* 10 */ val(0x09, 5, u"O2 Sen - LEFT"_s, ConvertByte, 0.01f, 0, 1, 0x00FF00, 0x0000FF, u"O2 SEN - LEFT %f V"_s, u"Кислородный датчик"_s),
    /* 11 */ val(0x0A, 6, u"O2 Sen - RIGHT"_s, ConvertByte, 0.01f, 0, 1, 0x00FF00, 0x0000FF, u"O2 SEN - RIGHT %f V"_s, u"Кислородный датчик"_s),
    /* 12 */ val(0x0B, 9, u"Vehicle Speed"_s, ConvertByte, 2, 0, 200, 0xFFFF00, 0xFF0000, u"VHCL SPEED SE %f KM/H"_s, u"Скорость"_s),
    /* 13 */ val(0x0C, 10, u"Battery Voltage"_s, ConvertByte, 0.08f, 0, 15, 0x008080, 0x00FF00, u"BATTERY VOLT %f V"_s, u"Напряжения аккумулятора"_s),
    /* 14 */ val(0x0D, 11, u"Throttle Position Sen"_s, ConvertByte, 0.02f, 0, 6, 0x0000FF, 0x0000FF, u"THRTL POS SEN %f V"_s, u"Положение дроссельной заслонки"_s),
    /* 15 */ val(0x0F, 12, u"Fuel temp sen"_s, ConvertOffset, -50, -40, 100, 0xA6CAF0, 0x0000FF, u"FUEL TEMP SEN %f C"_s, u"Температура топлива"_s),
    /* 16 */ val(0x10, 7, u"EGR temp sen"_s, ConvertOffset, -50, 0, 100, 0xA6CAF0, 0x0000FF, u"EGR TEMP SEN %f C"_s, u"Температура в системе рециркуляции  газов"_s),
    /* 17 */ val(0x11, 25, u"Intake Air temp sen"_s, ConvertOffset, -50, 0, 100, 0xA6CAF0, 0x0000FF, u"Intake AIR TEMP %f C"_s, u"Температура входного потока"_s),
    /* 18 */ val(0x12, 26, u"Exhaust Gas temp sen"_s, ConvertByte, 1, 0, 300, 0xA6CAF0, 0x0000FF, u"Exhaust Gas TEMP %f C"_s, u"Температура выхлопных газов"_s),
    /* 19 */ group(0x13, 5, 0x1F, u"Group 13"_s),
    /* 20 */ bit(0x13, 0x01, u"Closed/Open THL pos"_s, u"CLSD THL/POS"_s, u"Положение дроссельной заслонки (закрыто/открыто)"_s),
    /* 21 */ bit(0x13, 0x02, u"Start Signal (Cranking)"_s, u"START SIGNAL"_s, {}),
    /* 22 */ bit(0x13, 0x04, u"Park/Neutral Switch"_s, u"Park/Neutral Switch"_s, u"Положение нейтраль/парковка"_s),
    /* 23 */ bit(0x13, 0x08, u"Power Steering Switch"_s, u"Power Steering Switch"_s, u"Сигнал гидроусилителя руля"_s),
    /* 24 */ bit(0x13, 0x10, u"A/C On Switch"_s, u"A/C On Switch"_s, u"Реле кондиционера"_s),
    /* 25 */ high(0x14, 14, u"Inj pulse - L Hi"_s),
    /* 26 */ val(0x15, 14, u"Inj pulse - L"_s, ConvertWord, 0.01f, 0, 8, 0x008080, 0x008080, u"INJ PULSE - L %f MSec"_s, u"Время открытия топливных форсунок (левый банк)"_s),
    /* 27 */ val(0x16, 16, u"Ignition Timing"_s, ConvertInverse, 110, 0, 50, 0xFFFF00, 0xFF0000, u"IGN TIMING %f BTDC"_s, u"Угол опережения зажигания"_s),
    /* 28 */ val(0x18, 17, u"AAC Valve (Idle Air)"_s, ConvertByte, 0.5f, 0, 100, 0x00FFFF, 0x0000FF, u"IACV - AAC/V %f%%"_s, u"Положение клапана холостого хода"_s),
    /* 29 */ val(0x1A, 18, u"A/F ALPHA - L"_s, ConvertByte, 1, 0, 150, 0x808080, 0x800080, u"A/F ALPHA - L %f%%"_s, u"Соотношение ВОЗДУХ/ТОПЛИВО (левый банк)"_s),
    /* 30 */ val(0x1B, 19, u"A/F ALPHA - R"_s, ConvertByte, 1, 0, 150, 0x808080, 0x800080, u"A/F ALPHA - R %f%%"_s, u"Соотношение ВОЗДУХ/ТОПЛИВО (правый банк)"_s),
    /* 31 */ val(0x1C, 20, u"A/F ALPHA - L(SelfL)"_s, ConvertByte, 1, 0, 150, 0x808080, 0x800080, u"A/F ALPHA - L(SL) %f%%"_s, u"Соотношение ВОЗДУХ/ТОПЛИВО (левый банк)"_s),
    /* 32 */ val(0x1D, 21, u"A/F ALPHA - R(SelfL)"_s, ConvertByte, 1, 0, 150, 0x808080, 0x800080, u"A/F ALPHA - R(SL) %f%%"_s, u"Соотношение ВОЗДУХ/ТОПЛИВО (правый банк)"_s),
    /* 33 */ group(0x1E, 5, 0xE3, u"Group 1E"_s),
    /* 34 */ bit(0x1E, 0x80, u"Aircon Relay"_s, u"Aircon Relay"_s, u"Реле кондиционера"_s),
    /* 35 */ bit(0x1E, 0x40, u"Fuelpump Relay"_s, u"Fuelpump Relay"_s, u"Реле топливного насоса"_s),
    /* 36 */ bit(0x1E, 0x20, u"VTC Sol"_s, u"VTC Sol"_s, {}),
    /* 37 */ bit(0x1E, 0x02, u"Coolant Fan (Hi)"_s, u"Coolant Fan (Hi)"_s, {}),
    /* 38 */ bit(0x1E, 0x01, u"Coolant Fan (Lo)"_s, u"Coolant Fan (Lo)"_s, {}),
    /* 39 */ group(0x1F, 4, 0x69, u"Group 1F"_s),
    /* 40 */ bit(0x1F, 0x40, u"P/Reg control valve"_s, u"P/Reg control valve"_s, {}),
    /* 41 */ bit(0x1F, 0x20, u"Wastegate sol"_s, u"Wastegate sol"_s, {}),
    /* 42 */ bit(0x1F, 0x08, u"IACV-FICD sol"_s, u"IACV-FICD sol"_s, {}),
    /* 43 */ bit(0x1F, 0x01, u"EGR sol"_s, u"EGR sol"_s, {}),
    /* 44 */ group(0x21, 2, 0xC0, u"Group 21"_s),
    /* 45 */ bit(0x21, 0x80, u"M/R F/C MNT - L (Lean)"_s, u"M/R F/C MNT - L (Lean)"_s, u"Монитор смеси (бедная/богатая) левый"_s),
    /* 46 */ bit(0x21, 0x40, u"M/R F/C MNT - R (Lean)"_s, u"M/R F/C MNT - R (Lean)"_s, u"Монитор смеси (бедная/богатая) правый"_s),
    /* 47 */ high(0x22, 15, u"Inj pulse - R Hi"_s),
    /* 48 */ val(0x23, 15, u"Inj pulse - R"_s, ConvertWord, 0.01f, 0, 8, 0x008080, 0x008080, u"INJ PULSE - R %f MSec"_s, u"Время открытия топливных форсунок (правый банк)"_s),
    /* 49 */ val(0x00, 1, u"VHCL/S SE-A/T"_s, ConvertByte, 1, 0, 200, 0xFFFF00, 0xFF0000, u"SPEED A/T %f KM/H"_s, u"Скорость"_s),
    /* 50 */ val(0x01, 2, u"VHCL/S SE-MTR"_s, ConvertByte, 1, 0, 200, 0xFFFF00, 0xFF0000, u"SPEED MTR %f KM/H"_s, u"Скорость"_s),
    /* 51 */ val(0x02, 3, u"THRTL POS SEN"_s, ConvertByte, 0.02f, 0, 14, 0xFFFF00, 0xFF0000, u"THRTL POS SEN %f V"_s, u"Положение дроссельной заслонки"_s),
    /* 52 */ val(0x03, 4, u"FLUID TEMP SEN"_s, ConvertByte, 0.02f, 0, 4, 0xFFFF00, 0xFF0000, u"FLUID TEMP SEN %f V"_s, u"Температура масла в АКПП"_s),
    /* 53 */ val(0x04, 5, u"BATTERY VOLT"_s, ConvertByte, 0.08f, 0, 14, 0xFFFF00, 0xFF0000, u"BATTERY VOLT %f V"_s, u"Напряжение аккумуляторной батареи"_s),
    /* 54 */ val(0x06, 6, u"ENGINE SPEED"_s, ConvertByte, 0.032f, 0, 8, 0x00FFFF, 0x0000FF, u"RPMx1000 %f"_s, u"Обороты двигателя х1000"_s),
    /* 55 */ group(0x08, 8, 0xFF, u"Group 08"_s),
    /* 56 */ bit(0x08, 0x01, u"OD- SW"_s, u"OD- SW"_s, u"OD (вкл/выкл)"_s),
    /* 57 */ bit(0x08, 0x02, u"R-POS SW"_s, u"R-POS SW"_s, {}),
    /* 58 */ bit(0x08, 0x04, u"ASCD-CRUISE"_s, u"ASCD-CRUISE"_s, {}),
    /* 59 */ bit(0x08, 0x08, u"ASCD-OD CUT"_s, u"ASCD-OD CUT"_s, {}),
    /* 60 */ bit(0x08, 0x10, u"W/O THRTL/P-SW"_s, u"W/O THRTL/P-SW"_s, {}),
    /* 61 */ bit(0x08, 0x20, u"POWERSHIFT SW"_s, u"POWERSHIFT SW"_s, {}),
    /* 62 */ bit(0x08, 0x40, u"CLOSED THL/SW"_s, u"CLOSED THL/SW"_s, u"Положение дроссельной заслонки - закрыто"_s),
    /* 63 */ bit(0x08, 0x80, u"KICKDOWN SW"_s, u"KICKDOWN SW"_s, {}),
    /* 64 */ group(0x09, 4, 0x0F, u"Group 09"_s),
    /* 65 */ bit(0x09, 0x01, u"SHIFT S/V A"_s, u"SHIFT S/V A"_s, {}),
    /* 66 */ bit(0x09, 0x02, u"SHIFT S/V B"_s, u"SHIFT S/V B"_s, {}),
    /* 67 */ bit(0x09, 0x04, u"OVRRUN/C S/V"_s, u"OVRRUN/C S/V"_s, {}),
    /* 68 */ bit(0x09, 0x08, u"HOLD SW"_s, u"HOLD SW"_s, {}),
    /* 69 */ group(0x0A, 4, 0xF0, u"Group 0A"_s),
    /* 70 */ bit(0x0A, 0x10, u"1-POS SW"_s, u"1-POS SW"_s, {}),
    /* 71 */ bit(0x0A, 0x20, u"2-POS SW"_s, u"2-POS SW"_s, {}),
    /* 72 */ bit(0x0A, 0x40, u"D-POS SW"_s, u"D-POS SW"_s, {}),
    /* 73 */ bit(0x0A, 0x80, u"P/N POSI SW"_s, u"P/N POSI SW"_s, {}),
    /* 74 */ val(0x0C, 7, u"GEAR"_s, ConvertOffset, 1, 0, 4, 0x008080, 0x008080, u"GEAR %f"_s, u"Текущая передача АКПП"_s),
    /* 75 */ val(0x0D, 8, u"SELECT LVR POS"_s, ConvertOffset, -128, 0, 7, 0x008080, 0x008080, u"SELECT LVR POS %f"_s, u"Положение селектора АКПП"_s),
    /* 76 */ val(0x0E, 9, u"VEHICLE SPEED"_s, ConvertByte, 1, 0, 50, 0xFFFF00, 0xFF0000, u"VEHICLE SPEED %f KM/H"_s, u"Скорость автомобиля"_s),
    /* 77 */ val(0x0F, 10, u"THROTTLE POSI"_s, ConvertByte, 100.0f / 255.0f, 0, 120, 0x00FFFF, 0x0000FF, u"THROTTLE POSI %f%%"_s, u"Положение дроссельной заслонки"_s),
    /* 78 */ val(0x10, 11, u"LINE PRESS DUTY"_s, ConvertByte, 0.64f, 0, 120, 0x808080, 0x800080, u"LINE PRESS DUTY %f%%"_s, u"Давление в маслянной магистрали"_s),
    /* 79 */ val(0x11, 12, u"TCC S/V DUTY"_s, ConvertByte, 1, 0, 120, 0x808080, 0x800080, u"TCC S/V DUTY %f%%"_s, {}),
    /* 80 */ val(0x12, 13, u"Unknown_1"_s, ConvertByte, 1, 0, 6, 0x808080, 0x800080, u"Unknown_1 %f%%"_s, {}),
    /* 81 */ val(0x14, 14, u"Unknown_2"_s, ConvertByte, 1, 0, 6, 0x808080, 0x800080, u"Unknown_2 %f%%"_s, {}),
    /* 82 */ val(0x15, 15, u"Unknown_3"_s, ConvertByte, 1, 0, 50, 0x808080, 0x800080, u"Unknown_3 %f%%"_s, {}),
    }};
}
// clang-format on

} // namespace

std::array<TMopaProtocol, RegisterCount + 1> RegisterTable = makeTable();

void ResetRegisterRuntime() {
    const TMopaProtocol fresh;
    for (TMopaProtocol& r : RegisterTable) {
        r.Gauge = fresh.Gauge;
        r.Lamp = fresh.Lamp;
        r.Caption = fresh.Caption;
        r.Series = fresh.Series;
        r.Raw = fresh.Raw;
        r.Value = fresh.Value;
        r.Unsupported = fresh.Unsupported;
        r.Selected = fresh.Selected;
        r.ListIndex = fresh.ListIndex;
        r.Averaging = fresh.Averaging;
        r.AvgSum = fresh.AvgSum;
        r.AvgCount = fresh.AvgCount;
    }
}

bool HasHighByteRow(int r) {
    if (r < 2 || r > RegisterCount) {
        return false;
    }
    const TMopaProtocol& prev = RegisterTable[static_cast<std::size_t>(r - 1)];
    const TMopaProtocol& row = RegisterTable[static_cast<std::size_t>(r)];
    return prev.Kind == 2 && !row.isGroup() && (prev.ValueNo & 0xFF) == (row.ValueNo & 0xFF);
}
