#pragma once

#include "serial/dore_dor_iror.h"

#include <QByteArray>
#include <QString>

#include <functional>

#include <gtest/gtest.h>

// A pseudo-terminal pair: the test plays the unit on the master side, the
// component opens the slave through a COM<n> link.
class Pty {
public:
    Pty();
    ~Pty();
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    int master() const { return m_master; }
    const QString& slavePath() const { return m_slave; }
    void write(const QByteArray& bytes) const;
    // Reads exactly n bytes, waiting up to timeoutMs for them.
    QByteArray read(int n, int timeoutMs = 10000) const;
    // Closing the master hangs the slave up, as pulling an adapter does.
    void closeMaster();

private:
    int m_master = -1;
    QString m_slave;
};

// Makes <config>/ports/COM<number> point at target (replacing a previous link).
void linkComPort(int number, const QString& target);
void unlinkComPort(int number);

// Handles events until cond holds or timeoutMs passed; false on time-out.
bool waitUntil(const std::function<bool()>& cond, int timeoutMs = 10000);
// Handles events for ms milliseconds (to see that something does not happen).
void runEventsFor(int ms);

QByteArray bytesOf(std::initializer_list<int> values);

// A component on a fresh pty, linked as COM<kNumber>.
class PortTest : public ::testing::Test {
protected:
    static constexpr int kNumber = 150;
    void SetUp() override {
        linkComPort(kNumber, pty.slavePath());
        port.setPort(kNumber);
    }
    void TearDown() override { unlinkComPort(kNumber); }
    void open() { ASSERT_NO_THROW(port.setActive(true)); }

    Pty pty; // declared first: the port closes before the master goes away
    DOreDorIror port;
};
