#pragma once

#include "link/serial_link_port.h"
#include "serial/dore_dor_iror.h"
#include "shell/main_port.h"

// The main window's serial port component DurIveRada: 9600 baud, 8N1, no flow
// control, received bytes announced to the engine's data handler through the
// link's own adapter.
class SerialMainPort : public MainPort {
public:
    SerialMainPort();
    ~SerialMainPort() override;

    int Port() const override { return DurIveRada.Port(); }
    void setPort(int number) override { DurIveRada.setPort(number); }
    void bind(LinkEngine& engine) override { m_link.bind(engine); }
    void unbind() override { m_link.unbind(); }

    bool isActive() const override { return m_link.isActive(); }
    void setActive(bool on) override { m_link.setActive(on); }
    void writeBytes(const ByteString& bytes) override { m_link.writeBytes(bytes); }
    ByteString readString() override { return m_link.readString(); }
    std::int64_t arrivalMs() const override { return m_link.arrivalMs(); }
    void setLineEnd(const ByteString& bytes) override { m_link.setLineEnd(bytes); }
    ByteString lineEnd() const override { return m_link.lineEnd(); }

    DOreDorIror DurIveRada;

private:
    SerialLinkPort m_link{DurIveRada};
};
