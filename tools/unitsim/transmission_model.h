#pragma once

#include "rng.h"

#include <array>
#include <cstdint>

namespace unitsim {

// An automatic transmission driven round a 90-second cycle: park, drive off through the
// four gears, cruise, slow down, stop, park. Deterministic for a given seed.
class TransmissionModel {
public:
    enum Lever { LeverP = 0, LeverR = 1, LeverN = 2, LeverD = 3 };

    explicit TransmissionModel(std::uint64_t seed);

    void advance(double dtMs);
    std::uint8_t registerByte(std::uint8_t addr) const { return m_bytes[addr]; }

    int gear() const { return m_gear; }
    int lever() const { return m_lever; }
    double speed() const { return m_speed; }

private:
    void updateBytes();

    Rng m_rng;
    std::array<std::uint8_t, 256> m_bytes{};
    double m_timeMs = 0.0;
    double m_speed = 0.0;    // km/h
    double m_throttle = 0.0; // percent
    double m_fluidTemp = 25.0;
    double m_rpm = 750.0;
    int m_gear = 1;
    int m_lever = LeverP;
    bool m_slowing = false;
};

} // namespace unitsim
