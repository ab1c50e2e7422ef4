#include "transmission_model.h"

#include <algorithm>
#include <cmath>

namespace unitsim {

namespace {

constexpr double CycleMs = 90000.0;
// Engine speed per km/h in each gear.
constexpr double GearRatio[5] = {0.0, 110.0, 62.0, 42.0, 30.0};

std::uint8_t clampByte(double v) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

int gearFor(double speed, bool slowing) {
    if (slowing)
        return speed > 50.0 ? 4 : speed > 30.0 ? 3 : speed > 12.0 ? 2 : 1;
    return speed < 18.0 ? 1 : speed < 38.0 ? 2 : speed < 58.0 ? 3 : 4;
}

} // namespace

TransmissionModel::TransmissionModel(std::uint64_t seed) : m_rng(seed ^ 0x415452414E53ull) {
    advance(0.0);
}

void TransmissionModel::advance(double dtMs) {
    m_timeMs += dtMs;
    const double s = std::fmod(m_timeMs, CycleMs) / 1000.0;

    m_slowing = false;
    if (s < 10.0) {
        m_lever = LeverP;
        m_speed = 0.0;
        m_throttle = 0.0;
    } else if (s < 12.0) {
        m_lever = LeverN;
        m_speed = 0.0;
        m_throttle = 0.0;
    } else if (s < 15.0) {
        m_lever = LeverD;
        m_speed = 0.0;
        m_throttle = 0.0;
    } else if (s < 40.0) {
        m_lever = LeverD;
        m_speed = 80.0 * (s - 15.0) / 25.0;
        m_throttle = 35.0;
    } else if (s < 55.0) {
        m_lever = LeverD;
        m_speed = 80.0;
        m_throttle = 18.0;
    } else if (s < 75.0) {
        m_lever = LeverD;
        m_speed = 80.0 * (1.0 - (s - 55.0) / 20.0);
        m_throttle = 0.0;
        m_slowing = true;
    } else if (s < 88.0) {
        m_lever = LeverD;
        m_speed = 0.0;
        m_throttle = 0.0;
    } else {
        m_lever = LeverP;
        m_speed = 0.0;
        m_throttle = 0.0;
    }
    m_gear = m_lever == LeverD ? gearFor(m_speed, m_slowing) : 1;
    m_rpm = std::max(750.0, m_speed * GearRatio[m_gear]) + m_rng.tri() * 15.0;
    m_fluidTemp += (80.0 - m_fluidTemp) * (1.0 - std::exp(-dtMs / 400000.0));
    updateBytes();
}

void TransmissionModel::updateBytes() {
    auto& b = m_bytes;
    b[0x00] = clampByte(m_speed);
    b[0x01] = clampByte(m_speed * 1.01);
    b[0x02] = clampByte((0.45 + m_throttle * 0.035) / 0.02);
    b[0x03] = clampByte((3.4 - m_fluidTemp * 0.03) / 0.02); // the sensor reads lower when hot
    b[0x04] = clampByte(14.0 / 0.08);
    b[0x06] = clampByte(m_rpm / 32.0);

    std::uint8_t switches = 0x01; // overdrive allowed
    if (m_throttle == 0.0)
        switches |= 0x40;
    b[0x08] = switches;

    // Shift solenoids A and B per gear; the overrun clutch solenoid works when slowing.
    static constexpr std::uint8_t Solenoids[5] = {0, 0x03, 0x02, 0x00, 0x01};
    b[0x09] = static_cast<std::uint8_t>(Solenoids[m_gear] | (m_slowing ? 0x04 : 0x00));

    switch (m_lever) {
    case LeverD:
        b[0x0A] = 0x40;
        break;
    case LeverR:
        b[0x0A] = 0x00;
        break;
    default:
        b[0x0A] = 0x80; // park or neutral
        break;
    }

    b[0x0C] = static_cast<std::uint8_t>(m_gear - 1);    // shown as raw + 1
    b[0x0D] = static_cast<std::uint8_t>(m_lever + 128); // shown as raw - 128
    b[0x0E] = clampByte(m_speed);
    b[0x0F] = clampByte(m_throttle * 2.55);
    b[0x10] = clampByte((25.0 + m_throttle) / 0.64);
    b[0x11] = m_gear == 4 && !m_slowing ? 94 : 0; // converter lock-up
    b[0x12] = 1;
    b[0x14] = 0;
    b[0x15] = clampByte(m_speed / 4.0);
}

} // namespace unitsim
