#include "ecu_drive.h"

#include "oscillo/oscillo_series_rule.h"
#include "protocol/registers.h"

#include <algorithm>
#include <cmath>

namespace {

// The converters turn bytes into values: a value is always a whole number of steps.
float quantise(double v, double step, double lo, double hi) {
    v = std::clamp(v, lo, hi);
    return static_cast<float>(std::round(v / step) * step);
}

constexpr double Cycle = 300.0; // seconds of one drive pattern

} // namespace

std::vector<int> SelectEveryEcuSeries(OscRecording& recording) {
    OscilloSeriesRule rule;
    rule.setRecording(ModuleEcu, &recording);
    const auto range = RegisterRange(ModuleEcu);
    std::vector<int> rows;
    rule.beginRebuild(ModuleEcu);
    for (int r = range.first; r <= range.last; ++r) {
        RegisterTable[r].Selected = true;
        rule.apply(ModuleEcu, r);
        if (RegisterTable[r].Series)
            rows.push_back(r);
    }
    return rows;
}

EcuDrive::EcuDrive(std::uint32_t seed, double warmStartC) : m_rng(seed), m_warm(warmStartC) {}

double EcuDrive::noise(double sigma) {
    return sigma * m_unit(m_rng);
}

// Pedal position over one cycle: idle, two blips, pull away, cruise, slow down, idle.
double EcuDrive::pedal(double t) const {
    const double c = std::fmod(t, Cycle);
    auto blip = [c](double at, double height) {
        const double d = c - at;
        return d > 0 && d < 1.2 ? height * std::sin(d / 1.2 * 3.14159265) : 0.0;
    };
    if (c < 18.0)
        return blip(8.0, 0.55) + blip(13.0, 0.7);
    if (c < 40.0) // first and second gear, each pulled to about 3500 rpm
        return 0.55 + 0.1 * std::sin(c * 0.9);
    if (c < 200.0) // cruising with small corrections
        return 0.28 + 0.05 * std::sin(c * 0.21) + 0.03 * std::sin(c * 1.3);
    if (c < 230.0)
        return 0.0; // coasting down
    return 0.0;
}

void EcuDrive::advance(std::int64_t tMs) {
    const double t = static_cast<double>(tMs) / 1000.0;
    const double dt = std::clamp(t - m_t, 0.0, 1.0);
    m_t = t;
    const double c = std::fmod(t, Cycle);
    m_pedal += (pedal(t) - m_pedal) * std::min(1.0, dt * 12.0);

    // Engine speed follows the pedal, with gear changes while pulling away.
    double target = 0.75 + 3.2 * m_pedal;
    if (c >= 18.0 && c < 40.0) {
        const double inGear = std::fmod(c - 18.0, 7.3) / 7.3; // rises, drops at the shift
        target = 1.4 + 2.1 * inGear;
    } else if (c >= 40.0 && c < 200.0) {
        target = 1.9 + 0.9 * m_pedal;
    } else if (c >= 200.0 && c < 230.0) {
        target = 1.1 + 0.6 * (230.0 - c) / 30.0; // engine braking
    }
    m_rpm += (target - m_rpm) * std::min(1.0, dt * 6.0);

    const double speedTarget = c < 18.0    ? 0.0
                               : c < 40.0  ? (c - 18.0) * 2.7
                               : c < 200.0 ? 62.0
                               : c < 230.0 ? 62.0 * (230.0 - c) / 30.0
                                           : 0.0;
    m_speed += (speedTarget - m_speed) * std::min(1.0, dt * 1.5);

    // The oxygen sensor switches lean/rich about once a second in closed loop; the
    // mixture correction ramps against it and jumps back at each switch.
    if (t >= m_o2NextFlip) {
        m_o2Target = m_o2Target > 0.5 ? 0.12 + noise(0.02) : 0.78 + noise(0.03);
        m_o2NextFlip = t + 0.6 + std::abs(noise(0.5));
        m_alpha += m_o2Target > 0.5 ? -6.0 : 6.0;
    }
    m_o2 += (m_o2Target - m_o2) * std::min(1.0, dt * 14.0);
    m_alpha += (m_o2Target > 0.5 ? -1.0 : 1.0) * 9.0 * dt;
    m_alpha = std::clamp(m_alpha, 75.0, 125.0);

    if (t >= m_psNextFlip) {
        m_ps = !m_ps;
        m_psNextFlip = t + (m_ps ? 1.5 : 9.0) + std::abs(noise(2.0));
    }
    m_acCycle = std::fmod(t, 23.0);
}

float EcuDrive::value(int row) {
    const double load = m_pedal;
    const double coolant = 88.0 - (88.0 - m_warm) * std::exp(-m_t / 420.0);
    switch (row) {
    case 2: // engine speed from the crank position sensor, x1000
        return quantise(m_rpm + noise(0.015), 0.0125, 0, 8);
    case 4: // the reference signal, a coarser count of the same speed
        return quantise(m_rpm + noise(0.02), 0.008, 0, 8);
    case 6:
    case 8: // air mass meter voltage
        return quantise(0.95 + 0.45 * (m_rpm - 0.75) + 1.6 * load + noise(0.02), 0.005, 0, 5);
    case 9:
        return quantise(coolant + noise(0.3), 1.0, -50, 205);
    case 10:
    case 11:
        return quantise(m_o2 + noise(0.01), 0.01, 0, 2.55);
    case 12:
        return quantise(m_speed, 2.0, 0, 510);
    case 13: // battery: charging voltage with ripple
        return quantise(14.1 + noise(0.06), 0.08, 0, 20);
    case 14: // throttle position sensor, volts
        return quantise(0.46 + 3.9 * load + noise(0.004), 0.02, 0, 5.1);
    case 15:
        return quantise(28.0 + 0.1 * m_t / 60.0 + noise(0.2), 1.0, -50, 205);
    case 16:
        return quantise(45.0 + 30.0 * load + noise(0.5), 1.0, -50, 205);
    case 17:
        return quantise(24.0 + noise(0.3), 1.0, -50, 205);
    case 18: // exhaust gas temperature, slow, follows the load
        return quantise(110.0 + 25.0 * load + 8.0 * (m_rpm - 0.75) + noise(0.6), 1.0, 0, 255);
    case 26:
    case 48: // injection pulse, ms
        return quantise(2.3 + 3.6 * load + 0.3 * (m_rpm - 0.75) + noise(0.04), 0.01, 0, 8);
    case 27: // ignition timing, degrees before top dead centre
        return quantise(12.0 + 9.0 * (m_rpm - 0.75) - 12.0 * load + noise(0.7), 1.0, -145, 110);
    case 28: // idle air valve, %
        return quantise(32.0 + (m_ps ? 6.0 : 0.0) + noise(0.8), 0.5, 0, 127.5);
    case 29:
    case 30:
        return quantise(m_alpha + noise(0.4), 1.0, 0, 255);
    case 31:
    case 32: // self-learnt corrections move very slowly
        return quantise(101.0 + 2.0 * std::sin(m_t / 900.0), 1.0, 0, 255);
    default:
        return 0.0f;
    }
}

bool EcuDrive::lamp(int row) {
    const double c = std::fmod(m_t, Cycle);
    switch (row) {
    case 20: // throttle closed
        return m_pedal < 0.02;
    case 21: // cranking, only at the very start
        return m_t < 1.2;
    case 22: // park/neutral until pulling away, and again when stopped
        return c < 17.0 || c > 235.0;
    case 23: // power steering pressure switch, while parking
        return m_ps;
    case 24: // A/C switch
    case 34: // A/C relay, cycling with the compressor
        return row == 24 ? m_t > 30.0 : (m_t > 30.0 && m_acCycle < 14.0);
    case 35: // fuel pump relay
        return true;
    case 36: // valve timing solenoid at higher speeds
        return m_rpm > 2.6;
    case 37:
        return false;
    case 38: // radiator fan, low speed, switching with the coolant
        return std::fmod(m_t, 47.0) > 31.0;
    case 40:
        return m_t < 40.0;
    case 41:
        return false;
    case 42: // idle-up with the A/C
        return m_t > 30.0 && m_acCycle < 14.0 && m_pedal < 0.02;
    case 43: // EGR solenoid under part load
        return m_pedal > 0.2 && m_pedal < 0.6;
    case 45:
    case 46: // mixture monitors follow the oxygen sensors
        return m_o2 < 0.45;
    default:
        return false;
    }
}
