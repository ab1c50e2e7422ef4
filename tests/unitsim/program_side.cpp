#include "program_side.h"

#include "serial/edur_ive_rada.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

QByteArray hex(const char* text) {
    return QByteArray::fromHex(QByteArray(text));
}

ProgramSide::ProgramSide(int com) : m_com(com) {
    // As the main window sets it up: 9600 8N1, no flow control, direct receive mode.
    m_port.FlowCtrl().setRxDtrControl(dtrDisable);
    m_port.FlowCtrl().setRxRtsControl(rtsDisable);
    m_port.setLineEnd(QByteArray(1, '\0'));
    m_port.OnDataAvailable = [this](DOreDorIror* port) {
        const QByteArray bytes = port->ReadString();
        m_received += bytes;
        m_total += static_cast<std::uint64_t>(bytes.size());
        m_arrivals.push_back({port->ArrivalMs(), bytes});
    };
    m_port.OnLinkLost = [this](DOreDorIror*) { m_linkLost = true; };
}

ProgramSide::~ProgramSide() {
    close();
}

bool ProgramSide::open() {
    close();
    m_total = 0;
    m_linkLost = false;
    m_port.setPort(m_com);
    try {
        m_port.setActive(true);
    } catch (const EDurIveRada&) {
        return false;
    }
    return true;
}

void ProgramSide::close() {
    m_port.setActive(false);
}

bool ProgramSide::isOpen() const {
    return m_port.Active();
}

void ProgramSide::send(const QByteArray& bytes) {
    m_port.WriteString(bytes);
}

void ProgramSide::clear() {
    m_received.clear();
    m_arrivals.clear();
}

bool ProgramSide::waitUntil(const std::function<bool()>& pred, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    // The simulator's counters change on its own thread, without an event here: a
    // ticker makes the loop look again every few milliseconds.
    QTimer ticker;
    ticker.start(2);
    while (!pred()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    return true;
}

QByteArray ProgramSide::exchange(const QByteArray& request, qsizetype expected, int timeoutMs) {
    clear();
    send(request);
    waitForBytes(expected, timeoutMs);
    return m_received;
}
