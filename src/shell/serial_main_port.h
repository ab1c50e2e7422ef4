#pragma once

#include "serial/dore_dor_iror.h"
#include "shell/main_port.h"

// The main window's serial port component DurIveRada: 9600 baud, 8N1, no flow
// control, received bytes announced to the engine's data handler.
class SerialMainPort : public MainPort {
public:
    SerialMainPort();
    ~SerialMainPort() override;

    int Port() const override { return DurIveRada.Port(); }
    void setPort(int number) override { DurIveRada.setPort(number); }
    void bind(LinkEngine& engine) override;
    void unbind() override;

    bool isActive() const override { return DurIveRada.Active(); }
    void setActive(bool on) override { DurIveRada.setActive(on); }
    void writeBytes(const ByteString& bytes) override { DurIveRada.WriteString(bytes); }
    ByteString readString() override { return DurIveRada.ReadString(); }
    std::int64_t arrivalMs() const override { return DurIveRada.ArrivalMs(); }
    void setLineEnd(const ByteString& bytes) override { DurIveRada.setLineEnd(bytes); }
    ByteString lineEnd() const override { return DurIveRada.LineEnd(); }

    DOreDorIror DurIveRada;
};
