#include "support/fake_link_port.h"

void FakeLinkPort::setActive(bool on) {
    if (on == m_active)
        return;
    if (on) {
        if (!openable || m_hungUp)
            throw std::runtime_error("Cannot open port '/dev/ttyUSB0'");
        m_active = true;
        ++m_opens;
    } else {
        m_active = false;
        m_pending.clear(); // unread bytes are lost at close
        ++m_closes;
    }
}

void FakeLinkPort::writeBytes(const ByteString& bytes) {
    if (!m_active)
        throw std::runtime_error("Port not open");
    if (m_hungUp)
        return; // the bytes go nowhere
    m_writes.push_back({m_pump.nowMs(), bytes});
    if (onWrite)
        onWrite(bytes);
}

ByteString FakeLinkPort::readString() {
    ByteString out;
    out.swap(m_pending);
    return out;
}

void FakeLinkPort::deliverAt(std::int64_t t, const ByteString& bytes) {
    m_pump.at(t, [this, bytes] {
        if (!m_active || m_hungUp || bytes.isEmpty())
            return;
        m_pending += bytes;
        m_arrival = m_pump.nowMs();
        ++m_deliveries;
        if (onDataAvailable)
            onDataAvailable();
    });
}

void FakeLinkPort::hangUpAt(std::int64_t t) {
    m_pump.at(t, [this] { hangUp(); });
}

void FakeLinkPort::hangUp() {
    if (m_hungUp)
        return;
    m_hungUp = true;
    m_pending.clear();
    // The loss is reported as a queued event.
    m_pump.at(m_pump.nowMs(), [this] {
        if (onLinkLost)
            onLinkLost();
    });
}

ByteString FakeLinkPort::written() const {
    ByteString all;
    for (const Write& w : m_writes)
        all += w.bytes;
    return all;
}
