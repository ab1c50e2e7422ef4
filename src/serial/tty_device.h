#pragma once

#include "serial/serial_types.h"

#include <QString>

#include <cstdint>
#include <functional>

struct termios;

// The POSIX side of the serial component: opening a tty exclusively and mapping
// the component's settings onto termios and the modem lines.
namespace tty {

// What the flow-control flag word asks of termios.
struct FlowTermios {
    bool crtscts = false; // CTS output flow or RTS handshake
    bool xonxoff = false; // IXON | IXOFF
};
FlowTermios flowTermiosFor(std::uint32_t flags);

// Modem lines to raise and to drop (TIOCM_DTR / TIOCM_RTS bits). A line the
// driver drives itself (RTS handshake) is in neither.
struct ModemLines {
    int raise = 0;
    int drop = 0;
};
ModemLines modemLinesFor(std::uint32_t flags);

// Raw 8N1 without flow control: every byte value passes unchanged.
void makeRaw(termios& t);
// Members of the settings; a value the tty cannot express leaves t unchanged.
void setByteSize(termios& t, unsigned byteSize);
void setParity(termios& t, TParity parity);
void setStopBits(termios& t, TStopBits stopBits);
void setFlow(termios& t, std::uint32_t flags);
// Standard rates go into t; returns false for a rate termios has no constant for.
bool setStandardBaudrate(termios& t, int baudrate);
// Any rate through the kernel's termios2 interface; false when the driver refuses.
bool setCustomBaudrate(int fd, int baudrate);

// Reads, changes and writes back the device's termios. Failures are ignored, as
// they are for every setting: the device keeps what it had.
void updateTermios(int fd, const std::function<void(termios&)>& change);

// Sets the baud rate of the open device, standard or not.
void applyBaudrate(int fd, int baudrate);
// Raises and drops DTR/RTS as the flag word says; a pty has no modem lines.
void applyModemLines(int fd, std::uint32_t flags);
// Asks the driver to hand bytes over at once; drivers without it are fine.
void setLowLatency(int fd);

// Opens path for the component: non-blocking, not as controlling tty, exclusive
// (TIOCEXCL for other users, flock against everyone, root included). Returns the
// fd, or -1 with errno set (EBUSY when another holder has it).
int openExclusive(const QString& path);
void closeExclusive(int fd);

// "Cannot open port '<path>'", plus a second sentence when the reason is one the
// user can fix (permissions, another program holding the port).
QString openFailureMessage(const QString& path, int err);

} // namespace tty
