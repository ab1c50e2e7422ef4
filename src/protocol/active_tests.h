#pragma once

#include "protocol/bytes.h"

#include <QString>

#include <array>
#include <cstdint>

class QObject;

// One active test of the engine unit: its code, how a user's setting becomes the
// value byte, and the run-time state the probe and the active tests window keep.
struct TMopaActive {
    ByteString Code; // one byte
    int Default = 0;
    int Max = 0;
    int Min = 0;
    int Offset = 0;
    double Scale = 0.0;
    QObject* Edit = nullptr;  // run time: the spin edit, created once by the window
    QObject* Check = nullptr; // run time: the check box, created once by the window
    std::uint8_t Available = 0;
    QString Name;
    QString Hint;
};

constexpr int ActiveCount = 15;

// Rows 1..15; row 0 unused.
extern std::array<TMopaActive, ActiveCount + 1> ActiveTable;

void ResetActiveRuntime();

// The value byte row r sends for a user's setting v (spin rows 1..5).
unsigned char ActiveValueByte(int r, int v);
