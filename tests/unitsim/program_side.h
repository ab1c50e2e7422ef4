#pragma once

#include "serial/dore_dor_iror.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

// The program's end of the line in the simulator tests: the program's own serial
// component on COM<n>, set up as the main window sets it up. Collects every received
// byte with its arrival time; waiting handles events, as the program does.
class ProgramSide {
public:
    struct Arrival {
        std::int64_t ms; // monotonic arrival time
        QByteArray bytes;
    };

    explicit ProgramSide(int com);
    ~ProgramSide();

    bool open();
    void close();
    bool isOpen() const;
    void send(const QByteArray& bytes);

    // Waits (handling events) until pred holds or timeoutMs passed; returns pred().
    bool waitUntil(const std::function<bool()>& pred, int timeoutMs = 5000);
    bool waitForBytes(qsizetype count, int timeoutMs = 5000) {
        return waitUntil([&] { return m_received.size() >= count; }, timeoutMs);
    }
    // Sends, waits for exactly as many bytes as expected and returns what came.
    QByteArray exchange(const QByteArray& request, qsizetype expected, int timeoutMs = 5000);

    const QByteArray& received() const { return m_received; }
    // Every byte since the port was opened, clear() or not.
    std::uint64_t totalReceived() const { return m_total; }
    const std::vector<Arrival>& arrivals() const { return m_arrivals; }
    void clear();
    bool linkLost() const { return m_linkLost; }

private:
    int m_com;
    DOreDorIror m_port;
    QByteArray m_received;
    std::vector<Arrival> m_arrivals;
    bool m_linkLost = false;
    std::uint64_t m_total = 0;
};

QByteArray hex(const char* text); // "5A 0C" -> bytes
