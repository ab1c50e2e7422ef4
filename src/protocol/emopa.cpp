#include "protocol/emopa.h"

#include <array>

namespace {

constexpr int MessageCount = 23;

const std::array<const char*, MessageCount + 1> ErrorMessages{
    "",
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
};

std::string messageFor(int number) {
    if (number >= 1 && number <= MessageCount) {
        return ErrorMessages[static_cast<std::size_t>(number)];
    }
    return "Error " + std::to_string(number);
}

} // namespace

QString ErrorMessage(int number) {
    if (number < 1 || number > MessageCount) {
        return {};
    }
    return QString::fromLatin1(ErrorMessages[static_cast<std::size_t>(number)]);
}

EMopa::EMopa(int number) : std::runtime_error(messageFor(number)), ErrorNumber(number) {}
