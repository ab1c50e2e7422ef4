#pragma once

#include <QByteArray>

#include <cstdint>

// Receive buffer of one open period. The unread bytes run from FReadPos to
// FWritePos; FScanPos is where the line-end search goes on. It grows by exactly
// what is missing, never shrinks, and starts over at 0 once read empty.
// Not locked itself: the event thread's lock guards it (see TRurCommThread).
class TRurCommBuffer {
public:
    std::uint32_t Capacity() const { return static_cast<std::uint32_t>(FData.size()); }
    void Grow(std::uint32_t n) { FData.resize(FData.size() + static_cast<qsizetype>(n)); }
    // Makes room for n more bytes after FWritePos.
    void Reserve(std::uint32_t n) {
        const std::uint32_t free = Capacity() - static_cast<std::uint32_t>(FWritePos);
        if (free < n)
            Grow(n);
    }
    char* WritePtr() { return FData.data() + FWritePos; }
    const char* At(std::int32_t pos) const { return FData.constData() + pos; }
    std::int32_t Unread() const { return FWritePos - FReadPos; }
    void Reset() { FReadPos = FWritePos = FScanPos = 0; }

    QByteArray FData;
    std::int32_t FReadPos = 0;
    std::int32_t FWritePos = 0;
    std::int32_t FScanPos = 0;
};
