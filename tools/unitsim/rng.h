#pragma once

#include <cstdint>

namespace unitsim {

// Small, portable generator (splitmix64): the same seed gives the same sequence on every
// machine and library version, which keeps a scenario reproducible.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : m_state(seed) {}

    std::uint64_t next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }

    // Uniform in [0, 1).
    double uniform() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

    // Triangular in (-1, 1): cheap noise that clusters around zero.
    double tri() { return uniform() + uniform() - 1.0; }

    std::uint8_t byte() { return static_cast<std::uint8_t>(next() >> 56); }

private:
    std::uint64_t m_state;
};

} // namespace unitsim
