#pragma once

#include <chrono>
#include <cstdint>

// Monotonic milliseconds: the clock of arrival stamps and of the link engine.
inline std::int64_t ZvMonotonicMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}
