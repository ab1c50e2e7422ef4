#pragma once

#include "protocol/registers.h"

#include <cstdint>

class DebugLog;

// What a converter needs besides the register table: the frame's time stamp, the
// current unit's first row (lamp levels), the over-range switch and where an
// out-of-range value is reported. The link engine fills it per call.
struct ConvertContext {
    std::int64_t OscTime = 0;
    int FirstRegister = 1;
    bool CollectOverMax = false; // "&Collect over-max packets"
    std::uint8_t* OverMaxSeen = nullptr;
    DebugLog* Log = nullptr;
};

// The six register converters. row is the table row (1..82); ConvertBits moves it
// to its group's last bit row, the others leave it. show: "&Indicate data on
// gauge"; record: "&Collect data into oscillogram".
void ConvertNone(int& row, bool show, bool record, const ConvertContext& ctx);
void ConvertByte(int& row, bool show, bool record, const ConvertContext& ctx);
void ConvertWord(int& row, bool show, bool record, const ConvertContext& ctx);
void ConvertOffset(int& row, bool show, bool record, const ConvertContext& ctx);
void ConvertInverse(int& row, bool show, bool record, const ConvertContext& ctx);
void ConvertBits(int& row, bool show, bool record, const ConvertContext& ctx);

// Calls the row's own converter. A row outside 1..82 is left alone.
void Convert(int& row, bool show, bool record, const ConvertContext& ctx);

// Averaging of a row converted by ConvertWord (the power balance tests read the
// engine speed this way): start clears the sum, take returns the mean and stops.
void StartAveraging(int row);
double TakeAverage(int row);
