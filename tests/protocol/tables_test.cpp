#include "protocol/active_tests.h"
#include "protocol/commands.h"
#include "protocol/faults.h"
#include "protocol/registers.h"

#include <QObject>

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

const TMopaProtocol& reg(int r) {
    return RegisterTable.at(static_cast<std::size_t>(r));
}

// ---- commands and modules ----

TEST(CommandTable, EveryRequestAndReplyIsOneByteAndTriesFitTheLookCounter) {
    for (int n = 1; n <= CommandCount; ++n) {
        const TMopaProtMng& c = Command(n);
        SCOPED_TRACE(c.name.toStdString());
        EXPECT_EQ(c.request.size(), 1);
        EXPECT_EQ(c.reply.size(), 1);
        EXPECT_TRUE(c.tries == 3 || c.tries == 5 || c.tries == 30);
        EXPECT_GT(c.pollInterval, 0);
    }
    // The wake-up row's reply is a real zero byte, not an empty string.
    EXPECT_EQ(Command(cmdInit).reply, ByteString(1, '\0'));
}

TEST(CommandTable, RowsAsTheUnitSpeaksThem) {
    struct Row {
        int n;
        unsigned char request, reply;
        int poll, tries;
        const char* name;
    };
    const Row rows[] = {
        {1, 0xFF, 0x00, 300, 5, "Init"},
        {2, 0xEF, 0x10, 300, 3, "ECU Input parameter"},
        {3, 0xEA, 0x15, 300, 3, "AT Input parameter"},
        {4, 0xDF, 0x20, 300, 3, "AIRCON Input parameter"},
        {5, 0x9F, 0x60, 30, 30, "STREAM ALL AVAILABLE SENSORS"},
        {6, 0x0A, 0xF5, 30, 30, "Active preff"},
        {7, 0xF0, 0xFF, 10, 30, "End Req"},
        {8, 0xFE, 0xFE, 30, 30, "ErrorResp"},
        {9, 0x5A, 0xA5, 30, 30, "Req preff"},
        {10, 0x30, 0xCF, 30, 30, "Exit from diag"},
        {11, 0xD1, 0x2E, 30, 30, "SELF DIAGNOSTIC"},
        {12, 0xC1, 0x3E, 30, 30, "CLEAR ERROR CODES"},
        {13, 0xD0, 0x2F, 30, 30, "Get ECU Number"},
    };
    for (const Row& r : rows) {
        const TMopaProtMng& c = Command(r.n);
        SCOPED_TRACE(r.name);
        EXPECT_EQ(byteAt(c.request, 0), r.request);
        EXPECT_EQ(byteAt(c.reply, 0), r.reply);
        EXPECT_EQ(c.pollInterval, r.poll);
        EXPECT_EQ(c.tries, r.tries);
        EXPECT_EQ(c.name, QString::fromLatin1(r.name));
    }
    // Selection, stream and control rows answer with the complement of the request.
    for (int n : {1, 2, 3, 4, 5, 6, 9, 10, 11, 12, 13}) {
        const TMopaProtMng& c = Command(n);
        EXPECT_EQ(byteAt(c.reply, 0), static_cast<unsigned char>(~byteAt(c.request, 0))) << n;
    }
}

TEST(ModuleTable, NamesKeepTheirBlanksAndRangesCoverTheCatalogue) {
    EXPECT_EQ(Module(ModuleEcu).ShortName, QStringLiteral(" ECU "));
    EXPECT_EQ(Module(ModuleAt).ShortName, QStringLiteral(" AT "));
    EXPECT_EQ(Module(ModuleAircon).ShortName, QStringLiteral(" AIRCON "));
    EXPECT_EQ(Module(ModuleEcu).LongName, QStringLiteral("Engine Control Unit"));
    EXPECT_EQ(Module(ModuleAt).LongName, QStringLiteral("AT Control Unit"));
    EXPECT_EQ(Module(ModuleAircon).LongName, QStringLiteral("AirCon Control Unit"));

    EXPECT_EQ(RegisterRange(ModuleEcu).first, 1);
    EXPECT_EQ(RegisterRange(ModuleEcu).last, 48);
    EXPECT_EQ(RegisterRange(ModuleAt).first, 49);
    EXPECT_EQ(RegisterRange(ModuleAt).last, 82);
    const RegisterRangeT none = RegisterRange(ModuleAircon);
    EXPECT_GT(none.first, none.last); // a walk over it visits nothing
    // A module's number is also its selection command.
    EXPECT_EQ(Command(ModuleEcu).name, QStringLiteral("ECU Input parameter"));
    EXPECT_EQ(Command(ModuleAt).name, QStringLiteral("AT Input parameter"));
}

// ---- register catalogue ----

enum class RowType { Value, High, Group, Bit };

RowType typeOf(const TMopaProtocol& r) {
    if (r.isGroup())
        return RowType::Group;
    if (r.isBit())
        return RowType::Bit;
    return r.Kind == 2 ? RowType::High : RowType::Value;
}

bool singleBit(int m) {
    return m > 0 && m <= 0xFF && (m & (m - 1)) == 0;
}

TEST(RegisterTable, EveryRowKeepsTheInvariantsOfItsType) {
    for (int r = 1; r <= RegisterCount; ++r) {
        const TMopaProtocol& row = reg(r);
        SCOPED_TRACE("row " + std::to_string(r));
        EXPECT_FALSE(row.Name.isEmpty());
        switch (typeOf(row)) {
        case RowType::Value:
            EXPECT_EQ(row.Kind, 0);
            EXPECT_TRUE(row.Converter == ConverterKind::ConvertByte ||
                        row.Converter == ConverterKind::ConvertWord ||
                        row.Converter == ConverterKind::ConvertOffset ||
                        row.Converter == ConverterKind::ConvertInverse);
            EXPECT_LT(row.Min, row.Max);
            EXPECT_EQ(row.Display.count(QStringLiteral("%f")), 1) << row.Display.toStdString();
            EXPECT_EQ(row.BitMask, 0);
            break;
        case RowType::High:
            EXPECT_EQ(row.Converter, ConverterKind::ConvertNone);
            ASSERT_LT(r, RegisterCount);
            EXPECT_EQ(reg(r + 1).ValueNo, row.ValueNo);
            EXPECT_EQ(reg(r + 1).Converter, ConverterKind::ConvertWord);
            EXPECT_LE(r, RegisterRange(ModuleEcu).last); // engine unit only
            EXPECT_TRUE(row.Display.isEmpty());
            break;
        case RowType::Group:
            EXPECT_EQ(row.Kind, 2);
            EXPECT_EQ(row.Converter, ConverterKind::ConvertBits);
            EXPECT_EQ(row.Factor, 0.0f);
            EXPECT_TRUE(row.Display.isEmpty());
            EXPECT_TRUE(row.Hint.isEmpty());
            EXPECT_NE(r, RegisterRange(ModuleEcu).last);
            EXPECT_NE(r, RegisterRange(ModuleAt).last);
            break;
        case RowType::Bit:
            EXPECT_EQ(row.Kind, 1);
            EXPECT_EQ(row.Converter, ConverterKind::ConvertNone);
            EXPECT_TRUE(singleBit(row.BitMask)) << row.BitMask;
            EXPECT_FALSE(row.Display.isEmpty());
            break;
        }
    }
}

TEST(RegisterTable, GroupsCountAndMaskTheirBitRows) {
    struct Group {
        int row, bits, mask;
    };
    const std::vector<Group> expected{{19, 5, 0x1F}, {33, 5, 0xE3}, {39, 4, 0x69}, {44, 2, 0xC0},
                                      {55, 8, 0xFF}, {64, 4, 0x0F}, {69, 4, 0xF0}};
    std::vector<Group> found;
    for (int g = 1; g <= RegisterCount; ++g) {
        if (!reg(g).isGroup())
            continue;
        int bits = 0;
        int mask = 0;
        for (int b = g + 1; b <= RegisterCount && reg(b).isBit(); ++b) {
            EXPECT_EQ(reg(b).Addr, reg(g).Addr) << "bit row " << b;
            EXPECT_EQ(mask & reg(b).BitMask, 0) << "bit row " << b << " repeats a bit";
            ++bits;
            mask |= reg(b).BitMask;
        }
        EXPECT_EQ(reg(g).Min, bits) << "group row " << g;
        EXPECT_EQ(reg(g).Max, mask) << "group row " << g;
        found.push_back({g, reg(g).Min, reg(g).Max});
    }
    ASSERT_EQ(found.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(found[i].row, expected[i].row);
        EXPECT_EQ(found[i].bits, expected[i].bits);
        EXPECT_EQ(found[i].mask, expected[i].mask);
    }
    // Every bit row belongs to the group above it.
    for (int r = 1; r <= RegisterCount; ++r) {
        if (reg(r).isBit()) {
            ASSERT_GT(r, 1);
            EXPECT_TRUE(reg(r - 1).isGroup() || reg(r - 1).isBit()) << r;
        }
    }
}

TEST(RegisterTable, SixteenBitValuesArePrecededByTheirHighByte) {
    std::vector<int> paired;
    for (int r = 1; r <= RegisterCount; ++r) {
        if (typeOf(reg(r)) == RowType::Value && HasHighByteRow(r)) {
            paired.push_back(r);
            EXPECT_EQ(reg(r).Converter, ConverterKind::ConvertWord) << r;
            EXPECT_EQ(reg(r - 1).Addr + 1, reg(r).Addr) << r; // high byte at the lower address
        }
        if (reg(r).Converter == ConverterKind::ConvertWord) {
            EXPECT_TRUE(HasHighByteRow(r)) << r;
        }
    }
    EXPECT_EQ(paired, (std::vector<int>{2, 4, 6, 8, 26, 48}));
    // Neither the first row, a bit row after its group, nor the first AT row.
    EXPECT_FALSE(HasHighByteRow(1));
    EXPECT_FALSE(HasHighByteRow(20));
    EXPECT_FALSE(HasHighByteRow(49));
    EXPECT_FALSE(HasHighByteRow(0));
    EXPECT_FALSE(HasHighByteRow(RegisterCount + 1));
}

TEST(RegisterTable, SpotChecksOfCatalogueRows) {
    struct Spot {
        int row;
        unsigned addr;
        int valueNo;
        const char* name;
        float factor;
        int min, max;
        std::uint32_t c1, c2;
        const char* display;
    };
    const Spot spots[] = {
        {1, 0x00, 1, "CAS position - RPM Hi", 0.0f, 0, 0, 0, 0, ""},
        {2, 0x01, 1, "CAS position - RPMx1000", 0.0125f, 0, 8, 0xFFFF00, 0xFF0000,
         "CMPS - RPMx1000 (POS) %f"},
        {8, 0x07, 24, "MAF voltage Right", 0.005f, 0, 4, 0x00FFFF, 0x0000FF,
         "MAF AIR/FL -Right %f V"},
        {9, 0x08, 4, "Coolant Temp", -50.0f, -40, 120, 0xA6CAF0, 0x0000FF, "COOLAN TEMP %f C"},
        {13, 0x0C, 10, "Battery Voltage", 0.08f, 0, 15, 0x008080, 0x00FF00, "BATTERY VOLT %f V"},
        {19, 0x13, 255, "Group 13", 0.0f, 5, 0x1F, 0, 0, ""},
        {21, 0x13, 0, "Start Signal (Cranking)", 0.0f, 0, 0, 0, 0, "START SIGNAL"},
        {27, 0x16, 16, "Ignition Timing", 110.0f, 0, 50, 0xFFFF00, 0xFF0000, "IGN TIMING %f BTDC"},
        {28, 0x18, 17, "AAC Valve (Idle Air)", 0.5f, 0, 100, 0x00FFFF, 0x0000FF,
         "IACV - AAC/V %f%%"},
        {47, 0x22, 15, "Inj pulse - R Hi", 0.0f, 0, 0, 0, 0, ""},
        {48, 0x23, 15, "Inj pulse - R", 0.01f, 0, 8, 0x008080, 0x008080, "INJ PULSE - R %f MSec"},
        {49, 0x00, 1, "VHCL/S SE-A/T", 1.0f, 0, 200, 0xFFFF00, 0xFF0000, "SPEED A/T %f KM/H"},
        {54, 0x06, 6, "ENGINE SPEED", 0.032f, 0, 8, 0x00FFFF, 0x0000FF, "RPMx1000 %f"},
        {63, 0x08, 0, "KICKDOWN SW", 0.0f, 0, 0, 0, 0, "KICKDOWN SW"},
        {75, 0x0D, 8, "SELECT LVR POS", -128.0f, 0, 7, 0x008080, 0x008080, "SELECT LVR POS %f"},
        {78, 0x10, 11, "LINE PRESS DUTY", 0.64f, 0, 120, 0x808080, 0x800080,
         "LINE PRESS DUTY %f%%"},
        {82, 0x15, 15, "Unknown_3", 1.0f, 0, 50, 0x808080, 0x800080, "Unknown_3 %f%%"},
    };
    for (const Spot& s : spots) {
        const TMopaProtocol& r = reg(s.row);
        SCOPED_TRACE("row " + std::to_string(s.row));
        EXPECT_EQ(r.Addr, s.addr);
        EXPECT_EQ(r.ValueNo, s.valueNo);
        EXPECT_EQ(r.Name, QString::fromLatin1(s.name));
        EXPECT_EQ(r.Factor, s.factor);
        EXPECT_EQ(r.Min, s.min);
        EXPECT_EQ(r.Max, s.max);
        EXPECT_EQ(r.Color1, s.c1);
        EXPECT_EQ(r.Color2, s.c2);
        EXPECT_EQ(r.Display, QString::fromLatin1(s.display));
    }
    EXPECT_EQ(reg(34).BitMask, 0x80);
    EXPECT_EQ(reg(38).BitMask, 0x01);
    EXPECT_EQ(reg(73).BitMask, 0x80);
}

TEST(RegisterTable, FactorsAreTheNearestSinglePrecisionValues) {
    // Row 77 is 100/255: no neighbouring float is closer to the fraction.
    const float f = reg(77).Factor;
    const double exact = 100.0 / 255.0;
    EXPECT_LE(std::abs(f - exact), std::abs(std::nextafter(f, 1.0f) - exact));
    EXPECT_LE(std::abs(f - exact), std::abs(std::nextafter(f, 0.0f) - exact));
    EXPECT_NEAR(f, 0.392157f, 1e-6);
    EXPECT_EQ(reg(2).Factor, static_cast<float>(0.0125));
    EXPECT_EQ(reg(10).Factor, static_cast<float>(0.01));
}

TEST(RegisterTable, RussianHintsSurviveAsText) {
    EXPECT_EQ(reg(9).Hint, QStringLiteral("Температура охлаждающей жидкости"));
    EXPECT_EQ(reg(16).Hint, QStringLiteral("Температура в системе рециркуляции  газов"));
    EXPECT_EQ(reg(48).Hint, QStringLiteral("Время открытия топливных форсунок (правый банк)"));
    EXPECT_EQ(reg(26).Hint, QStringLiteral("Время открытия топливных форсунок (левый банк)"));
    EXPECT_EQ(reg(56).Hint, QStringLiteral("OD (вкл/выкл)"));
    EXPECT_TRUE(reg(21).Hint.isEmpty());
    EXPECT_TRUE(reg(79).Hint.isEmpty());
}

TEST(RegisterTable, ResetClearsOnlyTheRunTimeFields) {
    TMopaProtocol& r = RegisterTable[26];
    r.Raw = 0x12;
    r.Value = 3.5f;
    r.Unsupported = true;
    r.Selected = true;
    r.ListIndex = 4;
    r.Averaging = true;
    r.AvgSum = 10.0;
    r.AvgCount = 3;
    ResetRegisterRuntime();
    EXPECT_EQ(r.Raw, 0);
    EXPECT_EQ(r.Value, 0.0f);
    EXPECT_FALSE(r.Unsupported);
    EXPECT_FALSE(r.Selected);
    EXPECT_EQ(r.ListIndex, -1);
    EXPECT_FALSE(r.Averaging);
    EXPECT_EQ(r.AvgSum, 0.0);
    EXPECT_EQ(r.AvgCount, 0);
    EXPECT_EQ(r.Name, QStringLiteral("Inj pulse - L"));
    EXPECT_EQ(r.Factor, 0.01f);
}

// ---- fault codes ----

TEST(FaultTable, LooksUpCodesByTheirByte) {
    EXPECT_EQ(FaultTexts(0x55), QStringList{QStringLiteral("Normal operation")});
    EXPECT_EQ(FaultTexts(0xC1), QStringList{QStringLiteral("Shift solenoid, A/T")});
    EXPECT_EQ(FaultTexts(0xB8), QStringList{QStringLiteral("Shift solenoid, A/T")});
    EXPECT_EQ(FaultTexts(0x11), QStringList{QStringLiteral("Camshaft position sensor / circuit ")});
    EXPECT_EQ(FaultTexts(0xC8), QStringList{QStringLiteral("A/T fluid temperature sensor")});
    for (unsigned char c : {0x00, 0x15, 0xFF}) {
        EXPECT_TRUE(FaultTexts(c).isEmpty()) << int(c);
    }
}

TEST(FaultTable, CodesAreUniqueAscendingBytes) {
    for (int n = 2; n <= FaultCount; ++n) {
        EXPECT_LT(FaultRow(n - 1).Code, FaultRow(n).Code) << n;
    }
    EXPECT_LE(FaultRow(FaultCount).Code, 0xFF);
    int known = 0;
    for (int c = 0; c <= 0xFF; ++c) {
        known += static_cast<int>(FaultTexts(static_cast<unsigned char>(c)).size());
    }
    EXPECT_EQ(known, FaultCount);
}

// ---- active tests ----

TEST(ActiveTable, ValueBytesFromTheUsersSetting) {
    struct Case {
        int row, value;
        unsigned char byte;
    };
    const Case cases[] = {
        {1, -50, 0x00}, {1, 150, 0xC8}, {1, 90, 0x8C}, {2, -50, 0x32}, {2, 50, 0x96},
        {3, -15, 0xF1}, {3, 15, 0x0F},  {4, 1, 1},     {4, 50, 70},    {4, 100, 140},
        {5, 100, 0x8C}, {5, 0, 0x00},   {4, 3, 4},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ActiveValueByte(c.row, c.value), c.byte)
            << "row " << c.row << " value " << c.value;
    }
}

TEST(ActiveTable, RowsAndRunTimeReset) {
    struct Row {
        int row;
        unsigned char code;
        int def, max, min;
        const char* name;
    };
    const Row rows[] = {
        {1, 0x80, 90, 150, -50, "Coolant temperature"},
        {7, 0x89, 1, 0, 1, "Fuel pump"},
        {14, 0x8B, 0, 1, 0, "SELF LEARN control"},
        {15, 0x88, 0, 255, 0, "POWER BALANCE TEST"},
    };
    for (const Row& r : rows) {
        const TMopaActive& a = ActiveTable.at(static_cast<std::size_t>(r.row));
        EXPECT_EQ(a.Code, ByteString(1, char(r.code)));
        EXPECT_EQ(a.Default, r.def);
        EXPECT_EQ(a.Max, r.max);
        EXPECT_EQ(a.Min, r.min);
        EXPECT_EQ(a.Name, QString::fromLatin1(r.name));
    }
    QStringList codes;
    for (int r = 1; r <= ActiveCount; ++r) {
        const TMopaActive& a = ActiveTable.at(static_cast<std::size_t>(r));
        EXPECT_EQ(a.Code.size(), 1);
        EXPECT_TRUE(a.Hint.isEmpty());
        EXPECT_EQ(a.Scale, r == 4 || r == 5 ? 1.4 : 0.0) << r;
        const int offsets[] = {0, 50, 100, 0, 0, 0};
        EXPECT_EQ(a.Offset, r >= 6 ? 1 : offsets[r]) << r;
        codes << QString::fromLatin1(a.Code.toHex());
    }
    codes.removeDuplicates();
    EXPECT_EQ(codes.size(), ActiveCount);

    QObject edit;
    ActiveTable[3].Available = 1;
    ActiveTable[3].Edit = &edit;
    ResetActiveRuntime();
    EXPECT_EQ(ActiveTable[3].Available, 0);
    EXPECT_EQ(ActiveTable[3].Edit, nullptr);
    EXPECT_EQ(ActiveTable[3].Name, QStringLiteral("Ignition timing"));
}

} // namespace
