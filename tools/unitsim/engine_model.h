#pragma once

#include "rng.h"

#include <array>
#include <cstdint>

namespace unitsim {

// An idling engine whose register bytes live: speed with noise, coolant warming up, an
// oxygen sensor switching about once a second, switches changing now and then. Active
// tests override what they drive. Deterministic for a given seed and sequence of calls.
class EngineModel {
public:
    EngineModel(std::uint64_t seed, int weakCylinder);

    // Moves the model on by dtMs of engine time and recomputes every register byte.
    void advance(double dtMs);

    // The byte the unit reports for a register address (0 for an address it has no
    // sensor behind).
    std::uint8_t registerByte(std::uint8_t addr) const { return m_bytes[addr]; }

    // An active test (code, value byte) takes effect; clearTests ends them all.
    void applyTest(std::uint8_t code, std::uint8_t value);
    void clearTests();

    double rpm() const { return m_rpm; }
    double coolant() const { return m_coolant; }
    // Speed drop when cylinder c (1..6) is cut alone.
    double cylinderDrop(int c) const;

private:
    bool testActive(std::uint8_t code) const { return m_tests[code] >= 0; }
    std::uint8_t testValue(std::uint8_t code) const {
        return static_cast<std::uint8_t>(m_tests[code]);
    }
    double targetRpm(double coolant) const;
    void updateBytes(double coolant);

    Rng m_rng;
    int m_weakCylinder;
    std::array<int, 256> m_tests{}; // value byte per test code, -1 when not running
    std::array<std::uint8_t, 256> m_bytes{};

    double m_timeMs = 0.0;
    double m_rpm = 0.0;
    double m_rpmShown = 0.0;
    double m_coolant = 25.0;
    double m_fuelTemp = 22.0;
    double m_egrTemp = 25.0;
    double m_intakeTemp = 22.0;
    double m_throttle = 0.46; // sensor volts
    double m_blipEndMs = 0.0;
    double m_nextBlipMs = 12000.0;
    bool m_acOn = false;
    double m_nextAcMs = 25000.0;
    bool m_steeringOn = false;
    double m_nextSteeringMs = 9000.0;
    double m_o2Phase = 0.0;
    double m_alphaLearnL = 104.0;
    double m_alphaLearnR = 97.0;
    double m_noise[4] = {}; // this step's noise draws
};

} // namespace unitsim
