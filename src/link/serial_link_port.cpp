#include "link/serial_link_port.h"

#include "link/link_engine.h"
#include "serial/dore_dor_iror.h"

SerialLinkPort::~SerialLinkPort() {
    unbind();
}

void SerialLinkPort::bind(LinkEngine& engine) {
    m_port.OnDataAvailable = [&engine](DOreDorIror*) { engine.DurIveRadaDataAvailable(); };
    m_port.OnLinkLost = [&engine](DOreDorIror*) { engine.DurIveRadaLinkLost(); };
    m_bound = true;
}

void SerialLinkPort::unbind() {
    if (!m_bound)
        return;
    m_port.OnDataAvailable = nullptr;
    m_port.OnLinkLost = nullptr;
    m_bound = false;
}

bool SerialLinkPort::isActive() const {
    return m_port.Active();
}
void SerialLinkPort::setActive(bool on) {
    m_port.setActive(on);
}
void SerialLinkPort::writeBytes(const ByteString& bytes) {
    m_port.WriteString(bytes);
}
ByteString SerialLinkPort::readString() {
    return m_port.ReadString();
}
std::int64_t SerialLinkPort::arrivalMs() const {
    return m_port.ArrivalMs();
}
void SerialLinkPort::setLineEnd(const ByteString& bytes) {
    m_port.setLineEnd(bytes);
}
ByteString SerialLinkPort::lineEnd() const {
    return m_port.LineEnd();
}
