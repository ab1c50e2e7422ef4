#pragma once

#include "support/fake_link_port.h"
#include "support/virtual_pump.h"

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <utility>
#include <vector>

// A scripted control unit behind a FakeLinkPort: it speaks the unit protocol
// (wake-up, module selection, 0x5A + register, 0x0A + test + value, 0xF0 streams,
// 0x30 stops, fault-code requests) with configurable answers and delays, on the
// virtual clock. Tests configure it, run engine operations and then look at what
// the port recorded and what the unit saw.
class FakeUnit {
public:
    struct ModuleConfig {
        bool present = true;
        bool supportAll = true;           // every catalogue register of the module, unless
        std::set<std::uint8_t> supported; // supportAll is false: then these

        std::set<std::uint8_t> refused; // answered with 0xFE
        std::set<std::uint8_t> silent;  // never answered
    };

    FakeUnit(VirtualPump& pump, FakeLinkPort& port);

    // Configuration.
    std::map<int, ModuleConfig> modules; // 2 (ECU) and 3 (AT), both present
    std::set<std::uint8_t> refusedTests; // active test codes answered with 0xFE
    std::set<std::uint8_t> silentTests;  // active test codes never answered
    bool silent = false;                 // nothing connected: no answer at all
    bool ignoreStop = false;             // 0x30 is neither answered nor obeyed
    int replyDelayMs = 2;                // command and register replies
    int firstFrameDelayMs = 10;          // from 0xF0 to the first frame
    int framePeriodMs = 50;
    int chunkGapMs = 1; // between the chunks of one frame
    // The data byte of a register in frame n (default avoids 0xFF).
    std::function<std::uint8_t(std::uint8_t addr, int frame)> value =
        [](std::uint8_t addr, int frame) { return std::uint8_t((addr + frame) % 0x80); };
    // How a frame reaches the port (default: one chunk).
    std::function<std::vector<ByteString>(const ByteString& frame)> chunker;
    // Reply frames of the fault-code requests (0xD1, 0xC1, 0xD0): the data after
    // 0xFF and the length byte, repeated until 0x30.
    std::map<std::uint8_t, ByteString> faultData;
    // Sees every received byte first; returning true consumes it.
    std::function<bool(std::uint8_t)> intercept;

    // Observations.
    int selectedModule() const { return m_module; }
    bool streaming() const { return m_streaming; }
    int framesSent() const { return m_framesSent; }
    const std::vector<ByteString>& frames() const { return m_frames; }
    const std::vector<std::uint8_t>& streamRegisters() const { return m_request; }
    const std::vector<std::pair<std::uint8_t, std::uint8_t>>& activeRequests() const {
        return m_active;
    }
    int stops() const { return m_stops; }
    bool supports(int module, std::uint8_t addr) const;

private:
    enum class Expect { Command, Register, TestCode, TestValue };

    void receive(std::uint8_t b);
    void reply(const ByteString& bytes);
    void registerByte(std::uint8_t addr);
    void startStream();
    void sendFrame(int generation, int n);
    ByteString frameFor(int n) const;

    VirtualPump& m_pump;
    FakeLinkPort& m_port;
    Expect m_expect = Expect::Command;
    int m_module = 0;
    std::uint8_t m_testCode = 0;
    std::vector<std::uint8_t> m_request;
    std::uint8_t m_faultCommand = 0;
    bool m_streaming = false;
    int m_generation = 0;
    int m_framesSent = 0;
    int m_stops = 0;
    std::vector<ByteString> m_frames;
    std::vector<std::pair<std::uint8_t, std::uint8_t>> m_active;
    int m_repliesThisWrite = 0;
};
