#include "protocol/commands.h"

#include <QtGlobal>

#include <array>

namespace {

TMopaProtMng row(unsigned char request, unsigned char reply, int pollInterval, int tries,
                 const char* name) {
    return {ByteString(1, char(request)), ByteString(1, char(reply)), pollInterval, tries,
            QString::fromLatin1(name)};
}

const std::array<TMopaProtMng, CommandCount + 1>& commandTable() {
    // The climate unit is never selected, so nothing waits for its reply; it is stored
    // as the complement of its request like the other selection commands.
    static const std::array<TMopaProtMng, CommandCount + 1> table{{
        {},
        row(0xFF, 0x00, 300, 5, "Init"),
        row(0xEF, 0x10, 300, 3, "ECU Input parameter"),
        row(0xEA, 0x15, 300, 3, "AT Input parameter"),
        row(0xDF, 0x20, 300, 3, "AIRCON Input parameter"),
        row(0x9F, 0x60, 30, 30, "STREAM ALL AVAILABLE SENSORS"),
        row(0x0A, 0xF5, 30, 30, "Active preff"),
        row(0xF0, 0xFF, 10, 30, "End Req"),
        row(0xFE, 0xFE, 30, 30, "ErrorResp"),
        row(0x5A, 0xA5, 30, 30, "Req preff"),
        row(0x30, 0xCF, 30, 30, "Exit from diag"),
        row(0xD1, 0x2E, 30, 30, "SELF DIAGNOSTIC"),
        row(0xC1, 0x3E, 30, 30, "CLEAR ERROR CODES"),
        row(0xD0, 0x2F, 30, 30, "Get ECU Number"),
    }};
    return table;
}

const std::array<TMopaModule, ModuleSlots>& moduleTable() {
    static const std::array<TMopaModule, ModuleSlots> table{{
        {},
        {},
        {QStringLiteral(" ECU "), QStringLiteral("Engine Control Unit")},
        {QStringLiteral(" AT "), QStringLiteral("AT Control Unit")},
        {QStringLiteral(" AIRCON "), QStringLiteral("AirCon Control Unit")},
    }};
    return table;
}

// First ECU row, last ECU row, first AT row, last AT row.
constexpr std::array<int, 4> RegisterRanges{1, 48, 49, 82};

} // namespace

const TMopaProtMng& Command(int n) {
    Q_ASSERT(n >= 1 && n <= CommandCount);
    return commandTable().at(static_cast<std::size_t>(n));
}

const TMopaModule& Module(int m) {
    Q_ASSERT(m >= ModuleEcu && m <= ModuleAircon);
    return moduleTable().at(static_cast<std::size_t>(m));
}

RegisterRangeT RegisterRange(int module) {
    switch (module) {
    case ModuleEcu:
        return {RegisterRanges[0], RegisterRanges[1]};
    case ModuleAt:
        return {RegisterRanges[2], RegisterRanges[3]};
    default:
        return {0, -1};
    }
}
