#include "engine_model.h"

#include <algorithm>
#include <cmath>

namespace unitsim {

namespace {

constexpr double IdleRpm = 750.0;
constexpr double IdleThrottle = 0.46;
constexpr double Pi = 3.14159265358979323846;

// Speed lost per cut cylinder; a weak cylinder contributes little, so cutting it barely
// shows.
constexpr double CylinderDrops[6] = {118.0, 131.0, 109.0, 125.0, 114.0, 137.0};
constexpr double WeakCylinderDrop = 28.0;

std::uint8_t clampByte(double v) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(v), 0L, 255L));
}

void putWord(std::array<std::uint8_t, 256>& bytes, std::uint8_t hiAddr, double v) {
    const long w = std::clamp(std::lround(v), 0L, 0xFFFFL);
    bytes[hiAddr] = static_cast<std::uint8_t>(w >> 8);
    bytes[hiAddr + 1] = static_cast<std::uint8_t>(w & 0xFF);
}

double approach(double value, double target, double dtS, double tauS) {
    return value + (target - value) * (1.0 - std::exp(-dtS / tauS));
}

} // namespace

EngineModel::EngineModel(std::uint64_t seed, int weakCylinder)
    : m_rng(seed ^ 0x454E47494E45ull), m_weakCylinder(weakCylinder) {
    m_tests.fill(-1);
    m_rpm = targetRpm(m_coolant);
    advance(0.0);
}

double EngineModel::cylinderDrop(int c) const {
    if (c < 1 || c > 6)
        return 0.0;
    return c == m_weakCylinder ? WeakCylinderDrop : CylinderDrops[c - 1];
}

void EngineModel::applyTest(std::uint8_t code, std::uint8_t value) {
    m_tests[code] = value;
}

void EngineModel::clearTests() {
    m_tests.fill(-1);
}

double EngineModel::targetRpm(double coolant) const {
    double rpm = IdleRpm + std::max(0.0, 60.0 - coolant) * 8.0 +
                 (m_throttle - IdleThrottle) * 1400.0 + (m_acOn ? 60.0 : 0.0);
    // An opened idle air valve lifts the idle speed (about 400 rpm fully open).
    for (std::uint8_t valve : {std::uint8_t{0x84}, std::uint8_t{0x85}}) {
        if (testActive(valve))
            rpm += testValue(valve) / 1.4 * 4.0;
    }
    if (testActive(0x88)) {
        const std::uint8_t mask = testValue(0x88);
        if ((mask & 0x3F) == 0x3F)
            return 0.0; // every cylinder cut: the engine stops
        for (int c = 1; c <= 6; ++c) {
            if (mask & (1 << (c - 1)))
                rpm -= cylinderDrop(c);
        }
    }
    return std::max(0.0, rpm);
}

void EngineModel::advance(double dtMs) {
    const double dtS = dtMs / 1000.0;
    m_timeMs += dtMs;

    m_coolant = approach(m_coolant, 90.0, dtS, 150.0);
    m_fuelTemp = approach(m_fuelTemp, 45.0, dtS, 600.0);
    m_egrTemp = approach(m_egrTemp, 80.0, dtS, 300.0);
    m_intakeTemp = approach(m_intakeTemp, 35.0, dtS, 400.0);

    // A short blip of the throttle every 15 to 35 s.
    if (m_timeMs >= m_nextBlipMs) {
        m_blipEndMs = m_timeMs + 1200.0;
        m_nextBlipMs = m_timeMs + 15000.0 + m_rng.uniform() * 20000.0;
    }
    const double throttleTarget = m_timeMs < m_blipEndMs ? 1.9 : IdleThrottle;
    m_throttle = approach(m_throttle, throttleTarget, dtS, 0.15);

    if (m_timeMs >= m_nextAcMs) {
        m_acOn = !m_acOn;
        m_nextAcMs = m_timeMs + 20000.0 + m_rng.uniform() * 40000.0;
    }
    if (m_timeMs >= m_nextSteeringMs) {
        m_steeringOn = !m_steeringOn;
        m_nextSteeringMs = m_timeMs + (m_steeringOn ? 2000.0 : 8000.0) + m_rng.uniform() * 8000.0;
    }

    const double coolant = testActive(0x80) ? testValue(0x80) - 50.0 : m_coolant;
    m_rpm = approach(m_rpm, targetRpm(coolant), dtS, 0.35);
    if (m_rpm < 1.0)
        m_rpm = 0.0;

    m_o2Phase += dtS * 1.0;
    m_o2Phase -= std::floor(m_o2Phase);

    if (testActive(0x8B)) {
        m_alphaLearnL = approach(m_alphaLearnL, 100.0, dtS, 30.0);
        m_alphaLearnR = approach(m_alphaLearnR, 100.0, dtS, 30.0);
    }

    for (double& n : m_noise)
        n = m_rng.tri();
    updateBytes(coolant);
}

void EngineModel::updateBytes(double coolant) {
    auto& b = m_bytes;
    const bool running = m_rpm > 300.0;
    m_rpmShown = running ? std::max(0.0, m_rpm + m_noise[0] * 12.0) : m_rpm;
    const double load = m_throttle - IdleThrottle;

    putWord(b, 0x00, m_rpmShown / 12.5);
    putWord(b, 0x02, m_rpmShown / 8.0);
    const double maf = running ? 0.95 + m_rpmShown / 1000.0 * 0.35 + load * 0.8 : 0.0;
    putWord(b, 0x04, maf / 0.005);
    putWord(b, 0x06, maf * 0.98 / 0.005);

    b[0x08] = testActive(0x80) ? testValue(0x80) : clampByte(m_coolant + 50.0);

    // The oxygen sensors switch between rich (~0.9 V) and lean (~0.1 V).
    const auto o2 = [&](double phase, double noise) {
        if (!running)
            return 0.08;
        return 0.5 + 0.4 * std::tanh(6.0 * std::sin(2.0 * Pi * phase)) + noise * 0.02;
    };
    const double o2Left = o2(m_o2Phase, m_noise[1]);
    const double o2Right = o2(m_o2Phase + 0.37, m_noise[2]);
    b[0x09] = clampByte(o2Left * 100.0);
    b[0x0A] = clampByte(o2Right * 100.0);
    b[0x0B] = 0; // standing still
    b[0x0C] = clampByte((14.1 - (m_acOn ? 0.3 : 0.0) + m_noise[3] * 0.05) / 0.08);
    b[0x0D] = clampByte(m_throttle / 0.02);
    b[0x0F] = clampByte(m_fuelTemp + 50.0);
    b[0x10] = clampByte(m_egrTemp + 50.0);
    b[0x11] = clampByte(m_intakeTemp + 50.0);
    b[0x12] = clampByte(running ? std::min(250.0, 180.0 + m_rpmShown / 20.0) : 120.0);

    const double cold = std::max(0.0, 60.0 - coolant);
    double pulse = running ? 2.2 + load * 1.5 + cold * 0.01 : 0.0;
    if (testActive(0x81))
        pulse *= 1.0 + (testValue(0x81) - 100.0) / 100.0;
    putWord(b, 0x14, pulse / 0.01);
    putWord(b, 0x22, pulse * 1.02 / 0.01);

    double timing = 12.0 + std::clamp((m_rpmShown - IdleRpm) / 150.0, 0.0, 20.0);
    if (testActive(0x82))
        timing += static_cast<std::int8_t>(testValue(0x82));
    b[0x16] = clampByte(110.0 - timing);

    double valve = 28.0 + cold * 0.3;
    if (testActive(0x84))
        valve = testValue(0x84) / 1.4;
    if (testActive(0x85))
        valve = testValue(0x85) / 1.4;
    if (testActive(0x8C) && testValue(0x8C))
        valve = 50.0;
    b[0x18] = clampByte(valve / 0.5);

    const double swing = 4.0 * std::sin(2.0 * Pi * m_timeMs / 7000.0);
    b[0x1A] = clampByte(100.0 + swing + m_noise[1] * 2.0);
    b[0x1B] = clampByte(100.0 - swing + m_noise[2] * 2.0);
    b[0x1C] = clampByte(m_alphaLearnL);
    b[0x1D] = clampByte(m_alphaLearnR);

    const auto on = [&](std::uint8_t code, bool otherwise) {
        return testActive(code) ? testValue(code) != 0 : otherwise;
    };
    std::uint8_t g13 = 0x04; // park/neutral
    if (m_throttle < 0.6)
        g13 |= 0x01;
    if (m_steeringOn)
        g13 |= 0x08;
    if (m_acOn)
        g13 |= 0x10;
    b[0x13] = g13;

    std::uint8_t g1e = 0;
    if (m_acOn && running)
        g1e |= 0x80;
    if (on(0x89, true))
        g1e |= 0x40;
    if (on(0x8F, m_rpmShown > 1500.0))
        g1e |= 0x20;
    if (on(0x94, coolant > 102.0))
        g1e |= 0x02;
    if (on(0x93, coolant > 95.0))
        g1e |= 0x01;
    b[0x1E] = g1e;

    std::uint8_t g1f = 0;
    if (on(0x8A, false))
        g1f |= 0x40;
    if (on(0x87, m_acOn))
        g1f |= 0x08;
    if (running && coolant > 60.0 && m_rpmShown > 1200.0)
        g1f |= 0x01;
    b[0x1F] = g1f;

    std::uint8_t g21 = 0;
    if (o2Left < 0.45)
        g21 |= 0x80;
    if (o2Right < 0.45)
        g21 |= 0x40;
    b[0x21] = g21;
}

} // namespace unitsim
