#pragma once

#include "link/seams.h"
#include "support/virtual_pump.h"

#include <functional>
#include <stdexcept>
#include <vector>

// A LinkPort on the virtual clock. Writes are recorded with their time and handed
// to onWrite (a fake unit); bytes "arrive" at scheduled times and are announced
// through onDataAvailable (bind it to the engine's data handler), stamped with the
// virtual time of arrival. hangUp() behaves like a pulled USB adapter: the port
// reports the loss once through onLinkLost, swallows writes and cannot be opened
// again until replug().
class FakeLinkPort : public LinkPort {
public:
    struct Write {
        std::int64_t ms;
        ByteString bytes;
    };

    explicit FakeLinkPort(VirtualPump& pump) : m_pump(pump) {}

    bool isActive() const override { return m_active; }
    void setActive(bool on) override;
    void writeBytes(const ByteString& bytes) override;
    ByteString readString() override;
    std::int64_t arrivalMs() const override { return m_arrival; }
    void setLineEnd(const ByteString& bytes) override { m_lineEnd = bytes; }
    ByteString lineEnd() const override { return m_lineEnd; }

    // Test side.
    std::function<void()> onDataAvailable;
    std::function<void()> onLinkLost;
    std::function<void(const ByteString&)> onWrite;
    bool openable = true; // false: opening throws "Cannot open port 'COM1'"

    void deliverAt(std::int64_t t, const ByteString& bytes);
    void deliverAfter(std::int64_t dt, const ByteString& bytes) {
        deliverAt(m_pump.nowMs() + dt, bytes);
    }
    void hangUpAt(std::int64_t t);
    void hangUp();
    void replug() { m_hungUp = false; }

    const std::vector<Write>& writes() const { return m_writes; }
    ByteString written() const; // every byte written, in order
    void clearWrites() { m_writes.clear(); }
    int opens() const { return m_opens; }
    int closes() const { return m_closes; }
    int deliveries() const { return m_deliveries; }

private:
    VirtualPump& m_pump;
    bool m_active = false;
    bool m_hungUp = false;
    ByteString m_lineEnd = ByteString("\r\n");
    ByteString m_pending;
    std::int64_t m_arrival = 0;
    std::vector<Write> m_writes;
    int m_opens = 0;
    int m_closes = 0;
    int m_deliveries = 0;
};
