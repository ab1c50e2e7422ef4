#pragma once

#include "engine_model.h"
#include "sim_config.h"
#include "transmission_model.h"

#include <QByteArray>

#include <cstdint>
#include <vector>

namespace unitsim {

// The units' side of the serial line, byte by byte: which unit is selected, what the
// selected unit expects next, and what it answers. No I/O and no clock: the simulator
// feeds received bytes, sends the replies and asks for frames while streaming.
class UnitLine {
public:
    enum class Phase : std::uint8_t {
        Unselected,   // no unit listens; only a present unit's selection byte is answered
        Command,      // the selected unit waits for a command byte
        RegisterAddr, // after 0x5A: a register address follows
        TestCode,     // after 0x0A: an active-test code follows
        TestValue,    // the value byte of an accepted test follows
        TestDiscard,  // the value byte of a refused test follows; it is swallowed
        Streaming,    // frames repeat until 0x30
        Mute,         // fallen silent for good
    };
    enum class StreamKind : std::uint8_t { Registers, Faults, Ident };

    explicit UnitLine(const SimConfig& config);

    // One received byte; the unit's answer (possibly nothing) is appended to reply.
    // Returns true when the byte ended a running stream, so that frame bytes not yet on
    // the line must be dropped.
    bool receive(std::uint8_t b, QByteArray* reply);

    bool streaming() const { return m_phase == Phase::Streaming; }
    StreamKind streamKind() const { return m_streamKind; }

    // The next frame of the running stream: 0xFF, length, data. The engine models first
    // move on by elapsedMs, the line time since the previous frame began.
    QByteArray nextFrame(double elapsedMs);

    // From now on the unit neither answers nor streams.
    void mute() { m_phase = Phase::Mute; }

    Phase phase() const { return m_phase; }
    int selectedModule() const { return m_module; }
    const EngineModel& engine() const { return m_engine; }
    const TransmissionModel& transmission() const { return m_transmission; }

    // Most register requests one stream carries: the length byte counts data bytes.
    static constexpr std::size_t MaxRequests = 255;

private:
    enum class Report : std::uint8_t { None, Faults, Ident };

    const ModuleScenario& scenario() const { return m_config.module(m_module); }
    ModuleScenario& scenario() { return m_config.module(m_module); }
    void command(std::uint8_t b, QByteArray* reply);
    bool select(std::uint8_t b, QByteArray* reply);
    void endSession();
    std::uint8_t registerByte(std::uint8_t addr) const;

    SimConfig m_config; // own copy: clearing the faults changes it
    EngineModel m_engine;
    TransmissionModel m_transmission;
    Phase m_phase = Phase::Unselected;
    StreamKind m_streamKind = StreamKind::Registers;
    int m_module = 0;
    std::vector<std::uint8_t> m_requests; // register addresses asked for, in order
    bool m_streamAll = false;
    Report m_report = Report::None;
    std::uint8_t m_testCode = 0;
    std::vector<std::uint8_t> m_allOrder[2]; // supported catalogue addresses per unit
};

} // namespace unitsim
