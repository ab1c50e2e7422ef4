#pragma once

#include <QString>

namespace unitsim {

// The unit's end of a pseudo-terminal. The master is the unit; the slave is the device
// the program opens. We keep a slave descriptor of our own so that the program can close
// and reopen the port without the master falling into the hung-up state (where poll
// reports POLLHUP for ever).
class PtyDevice {
public:
    PtyDevice() = default;
    ~PtyDevice();
    PtyDevice(const PtyDevice&) = delete;
    PtyDevice& operator=(const PtyDevice&) = delete;

    // Opens the pair, puts the line in raw 9600 8N1 and the master in non-blocking mode.
    bool open(QString* error);
    // Closes both ends: the program sees the device go away (POLLHUP, EIO).
    void close();

    int masterFd() const { return m_master; }
    int slaveFd() const { return m_slave; }
    QString slavePath() const { return m_path; }

    // Bytes written by us that the program has not read yet (as far as the line
    // discipline tells; it stops counting at about 4 KB).
    int unreadByProgram() const;

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_path;
};

// The COM<n> symbolic link in the ports directory that the program resolves.
class PortLink {
public:
    PortLink() = default;
    ~PortLink() { remove(); }
    PortLink(const PortLink&) = delete;
    PortLink& operator=(const PortLink&) = delete;

    // Points <dir>/COM<com> at target. A link left behind by a simulator that died (its
    // target is gone) is replaced; anything else there is left alone and reported.
    bool create(const QString& dir, int com, const QString& target, QString* error);
    // Removes the link if it still points at our target.
    void remove();

    QString path() const { return m_path; }

private:
    QString m_path;
    QString m_target;
};

} // namespace unitsim
