#include "support/fake_unit.h"

#include "protocol/commands.h"
#include "protocol/registers.h"

namespace {

ByteString bytes1(std::uint8_t b) {
    return ByteString(1, char(b));
}

// The addresses of the module's catalogue rows that carry a byte, in table order.
std::vector<std::uint8_t> catalogue(int module) {
    std::vector<std::uint8_t> out;
    const RegisterRangeT range = RegisterRange(module);
    for (int r = range.first; r >= 1 && r <= range.last; ++r)
        if (!RegisterTable[r].isBit())
            out.push_back(RegisterTable[r].Addr);
    return out;
}

} // namespace

bool FakeUnit::supports(int module, std::uint8_t addr) const {
    auto it = modules.find(module);
    if (it == modules.end())
        return false;
    const ModuleConfig& cfg = it->second;
    if (cfg.refused.count(addr) || cfg.silent.count(addr))
        return false;
    if (!cfg.supportAll)
        return cfg.supported.count(addr) > 0;
    for (std::uint8_t a : catalogue(module))
        if (a == addr)
            return true;
    return false;
}

FakeUnit::FakeUnit(VirtualPump& pump, FakeLinkPort& port) : m_pump(pump), m_port(port) {
    modules[2] = ModuleConfig{};
    modules[3] = ModuleConfig{};
    m_port.onWrite = [this](const ByteString& bytes) {
        m_repliesThisWrite = 0;
        for (char c : bytes)
            receive(std::uint8_t(c));
    };
}

void FakeUnit::reply(const ByteString& bytes) {
    // The replies to one write leave one after another, a millisecond apart.
    m_port.deliverAfter(replyDelayMs + m_repliesThisWrite, bytes);
    ++m_repliesThisWrite;
}

void FakeUnit::receive(std::uint8_t b) {
    if (silent)
        return;
    if (intercept && intercept(b))
        return;
    switch (m_expect) {
    case Expect::Register:
        m_expect = Expect::Command;
        registerByte(b);
        return;
    case Expect::TestCode:
        m_testCode = b;
        m_expect = Expect::TestValue;
        return;
    case Expect::TestValue:
        m_expect = Expect::Command;
        if (silentTests.count(m_testCode))
            return;
        if (refusedTests.count(m_testCode)) {
            reply(bytes1(0xFE));
            return;
        }
        m_active.emplace_back(m_testCode, b);
        reply(bytes1(m_testCode) + bytes1(b));
        return;
    case Expect::Command:
        break;
    }

    switch (b) {
    case 0xFF: // wake-up
        return;
    case 0xEF:
    case 0xEA:
    case 0xDF: {
        const int m = b == 0xEF ? 2 : b == 0xEA ? 3 : 4;
        auto it = modules.find(m);
        if (it == modules.end() || !it->second.present)
            return;
        m_module = m;
        m_request.clear();
        reply(bytes1(std::uint8_t(~b)));
        return;
    }
    case 0x5A:
        if (m_module == 0)
            return;
        m_expect = Expect::Register;
        reply(bytes1(0xA5));
        return;
    case 0x0A:
        if (m_module != 2) {
            reply(bytes1(0xFE));
            return;
        }
        m_expect = Expect::TestCode;
        reply(bytes1(0xF5));
        return;
    case 0x9F: {
        if (m_module != 3) {
            reply(bytes1(0xFE));
            return;
        }
        // Every supported register, in table order.
        m_request.clear();
        for (std::uint8_t addr : catalogue(3))
            if (supports(3, addr))
                m_request.push_back(addr);
        reply(bytes1(0x9F));
        return;
    }
    case 0xF0:
        startStream();
        return;
    case 0x30:
        if (ignoreStop)
            return;
        m_streaming = false;
        ++m_generation;
        ++m_stops;
        m_request.clear();
        m_faultCommand = 0;
        reply(bytes1(0xCF));
        return;
    case 0xD1:
    case 0xC1:
    case 0xD0:
        if (m_module == 0)
            return;
        m_faultCommand = b;
        reply(bytes1(std::uint8_t(~b)));
        return;
    default:
        if (m_module != 0)
            reply(bytes1(0xFE));
        return;
    }
}

void FakeUnit::registerByte(std::uint8_t addr) {
    auto it = modules.find(m_module);
    if (it == modules.end())
        return;
    if (it->second.silent.count(addr))
        return;
    if (!supports(m_module, addr)) {
        reply(bytes1(0xFE));
        return;
    }
    m_request.push_back(addr);
    reply(bytes1(addr));
}

void FakeUnit::startStream() {
    if (m_request.empty() && m_faultCommand == 0)
        return;
    m_streaming = true;
    const int generation = ++m_generation;
    m_pump.after(firstFrameDelayMs, [this, generation] { sendFrame(generation, 0); });
}

ByteString FakeUnit::frameFor(int n) const {
    ByteString data;
    if (m_faultCommand != 0) {
        auto it = faultData.find(m_faultCommand);
        if (it != faultData.end())
            data = it->second;
    } else {
        for (std::uint8_t addr : m_request)
            data += char(value(addr, n));
    }
    return ByteString(1, char(0xFF)) + char(std::uint8_t(data.size())) + data;
}

void FakeUnit::sendFrame(int generation, int n) {
    if (generation != m_generation || !m_streaming)
        return;
    const ByteString frame = frameFor(n);
    m_frames.push_back(frame);
    ++m_framesSent;
    const std::vector<ByteString> chunks =
        chunker ? chunker(frame) : std::vector<ByteString>{frame};
    std::int64_t at = m_pump.nowMs();
    for (const ByteString& chunk : chunks) {
        m_port.deliverAt(at, chunk);
        at += chunkGapMs;
    }
    m_pump.after(framePeriodMs, [this, generation, n] { sendFrame(generation, n + 1); });
}
