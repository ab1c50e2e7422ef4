#pragma once

#include "protocol/bytes.h"

#include <QString>

// Two upper-case hex digits per byte, no separators, for the first count bytes.
QString BytesToHex(const ByteString& bytes, qsizetype count);
inline QString BytesToHex(const ByteString& bytes) { return BytesToHex(bytes, bytes.size()); }

// Rounded to an integer, right-aligned in 8 characters (wider numbers whole).
QString FormatCount(double number);
// Exactly 2 decimals with a point, right-aligned in 8 characters.
QString FormatReal(double number);
// As FormatCount with a field of width characters.
QString FormatWidth(double number, int width);
