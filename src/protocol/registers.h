#pragma once

#include "protocol/controls.h"

#include <QString>

#include <array>
#include <cstdint>

enum class ConverterKind : std::uint8_t {
    ConvertNone,
    ConvertByte,
    ConvertWord,
    ConvertOffset,
    ConvertInverse,
    ConvertBits,
};

// One register of the live-data catalogue plus the run-time state that
// detection, streaming, conversion, display, selection and recording share.
struct TMopaProtocol {
    // Catalogue (never changes).
    std::uint8_t Addr = 0;
    int ValueNo = 0; // 0 bit row, 255 group row, otherwise a value number
    QString Name;
    float Factor = 0.0f;
    int BitMask = 0;
    ConverterKind Converter = ConverterKind::ConvertNone;
    std::uint8_t Kind = 2; // 0 gauge, 1 lamp, 2 neither
    std::uint32_t Color1 = 0; // 0xRRGGBB
    std::uint32_t Color2 = 0;
    int Min = 0;
    int Max = 0;
    QString Display;
    QString Hint;

    // Run time (zero at start, never reset while the program runs).
    GaugeControl* Gauge = nullptr;
    LampControl* Lamp = nullptr;
    CaptionControl* Caption = nullptr;
    SeriesControl* Series = nullptr;
    std::uint8_t Raw = 0;
    float Value = 0.0f;
    bool Unsupported = false;
    bool Selected = false;
    int ListIndex = -1;
    bool Averaging = false;
    double AvgSum = 0.0;
    int AvgCount = 0;

    bool isGroup() const { return (ValueNo & 0xFF) == 255; }
    bool isBit() const { return (ValueNo & 0xFF) == 0; }
};

constexpr int RegisterCount = 82;

// Rows 1..82; row 0 is unused so that row numbers index directly.
extern std::array<TMopaProtocol, RegisterCount + 1> RegisterTable;

// Puts every run-time field back to its start value (tests, and nothing else).
void ResetRegisterRuntime();

// The row before value row r is its high-byte row.
bool HasHighByteRow(int r);
