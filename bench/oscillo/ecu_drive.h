#pragma once

#include <cstdint>
#include <random>
#include <vector>

class OscRecording;

// Selects every register of the engine unit and lets the series rule give them their
// lines in the recording; returns the rows that got one.
std::vector<int> SelectEveryEcuSeries(OscRecording& recording);

// A made-up but plausible drive, as the engine unit's registers would report it: idle,
// a few blips of the throttle, pulling away through the gears, cruising and slowing down,
// repeated with variations. Values come quantised the way the converters produce them.
// Rows are those of the engine unit's register table (1..48).
class EcuDrive {
public:
    explicit EcuDrive(std::uint32_t seed = 1, double warmStartC = 20.0);

    // Moves the drive to t milliseconds (t only grows).
    void advance(std::int64_t tMs);
    // The converted value of value row `row` at the current time.
    float value(int row);
    // The state of lamp row `row` at the current time.
    bool lamp(int row);

private:
    double pedal(double t) const;
    double noise(double sigma);

    std::mt19937 m_rng;
    std::normal_distribution<double> m_unit{0.0, 1.0};
    double m_warm;
    double m_t = 0.0;     // seconds
    double m_rpm = 0.75;  // x1000
    double m_speed = 0.0; // km/h
    double m_pedal = 0.0; // 0..1
    double m_o2 = 0.45;   // V
    double m_o2Target = 0.8;
    double m_o2NextFlip = 1.0;
    double m_alpha = 100.0;
    double m_psNextFlip = 7.0;
    bool m_ps = false;
    double m_acCycle = 0.0;
};
