#pragma once

#include <QByteArray>

// Every protocol request, reply and buffer is a length-counted string of 8-bit
// bytes in which 0x00 is an ordinary byte. QByteArray is exactly that.
using ByteString = QByteArray;

inline unsigned char byteAt(const ByteString& s, qsizetype i) {
    return static_cast<unsigned char>(s.at(i));
}
