#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The program's configuration directory, $XDG_CONFIG_HOME/ZedoVudera.
QString ZvConfigDir();

// Where COM port numbers lead. COM<n> is the link <config>/ports/COM<n> when it
// exists (pointing at /dev/serial/by-id/..., or at the simulator's pty);
// otherwise COM1-32 are /dev/ttyS0-31, COM33-64 /dev/ttyUSB0-31 and
// COM65-96 /dev/ttyACM0-31.
QString ComPortLinkPath(int number);
// The node of the fixed mapping, or an empty string outside 1-96.
QString ComPortDefaultDevice(int number);
// The path an open uses and names in its error message. A number without any
// mapping (0, negative, above 96 without a link) gives the link path that was
// looked for, so the message tells the user where to put one.
QString ComPortDevicePath(int number);

struct ComPortInfo {
    int number = 0;
    QString device;         // the node behind the number, links resolved
    QString product;        // a USB adapter's product name from sysfs; empty when unknown
    bool accessible = true; // false: exists, but this user may not open it
    bool inUse = false;     // another program (or another port of ours) holds it
};

// Describes number when its port is present: the node exists and is a tty, and a
// /dev/ttyS node has a UART behind it. A port in use or not accessible to this
// user is present.
std::optional<ComPortInfo> ProbeComPort(int number);
// Every present port: the links in the ports directory and the fixed mapping,
// ascending.
QList<ComPortInfo> ListComPorts();
// Appends the present port numbers in decimal, ascending; does not clear list.
void EnumComPorts(QStringList& list);
