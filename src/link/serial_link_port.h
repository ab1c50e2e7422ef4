#pragma once

#include "link/seams.h"

class DOreDorIror;
class LinkEngine;

// The serial port component as the engine's LinkPort. bind() routes the
// component's notifications to the engine: received bytes to its data handler,
// a pulled cable (the device hung up) to DurIveRadaLinkLost.
//
//     DOreDorIror DurIveRada;
//     SerialLinkPort port(DurIveRada);
//     QtEventPump pump;
//     LinkEngine engine({&pump, &port, &prompts, &log, &menu});
//     port.bind(engine);
class SerialLinkPort : public LinkPort {
public:
    explicit SerialLinkPort(DOreDorIror& port) : m_port(port) {}
    ~SerialLinkPort() override;

    void bind(LinkEngine& engine);
    void unbind();

    bool isActive() const override;
    void setActive(bool on) override;
    void writeBytes(const ByteString& bytes) override;
    ByteString readString() override;
    std::int64_t arrivalMs() const override;
    void setLineEnd(const ByteString& bytes) override;
    ByteString lineEnd() const override;

    DOreDorIror& component() const { return m_port; }

private:
    DOreDorIror& m_port;
    bool m_bound = false;
};
