#pragma once

#include "protocol/bytes.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// One line of the fault-code report and the colour selected for it; without a
// colour the line takes the colour last set in the report.
struct ReportLine {
    QString text;
    std::optional<std::uint32_t> colour;
    bool operator==(const ReportLine&) const = default;
};

// What the receive buffer holds after a fault-code request: the unit repeats the
// frame 0xFF, N, then N data bytes until it is told to stop.
struct FaultFrame {
    qsizetype start = -1;   // 0-based index of the frame's 0xFF; -1: none arrived
    int length = -1;        // N; -1: the length byte has not arrived
    bool complete = false;  // the frame and the next frame's 0xFF after it arrived
    qsizetype position = 0; // complete only: 1-based position after the last byte decoded
    std::vector<ReportLine> lines;
};

// Decodes the first frame of rx for the given unit (2 ECU, 3 AT, ...) and request
// mode (1 read, 2 clear, 3 identification). The frame starts at the first 0xFF
// whose frame is followed by a 0xFF; a 0xFF whose frame arrived whole but is
// followed by another byte is passed over. Only the N data bytes of the frame are
// decoded, never a byte beyond them; an entry starting with 0xFF, or one that does
// not fit into the frame any more, ends the decoding.
FaultFrame decodeFaultReply(int unit, int mode, const ByteString& rx);

// The report line of one fault pair of the engine unit.
QString faultLineText(std::uint8_t code, std::uint8_t starts, const QString& text);
QString unknownFaultLineText(std::uint8_t code, std::uint8_t starts);
