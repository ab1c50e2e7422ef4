#pragma once

#include <array>
#include <cstdint>

// The 18 series colours, 0xRRGGBB, numbered 1..18 (entry 0 is unused so that the
// colour counters index it directly).
inline constexpr std::array<std::uint32_t, 19> SeriesPalette = {
    0x000000, // unused
    0x000000, // 1 black
    0x800000, // 2 maroon
    0x008000, // 3 green
    0x808000, // 4 olive
    0x000080, // 5 navy
    0x800080, // 6 purple
    0x008080, // 7 teal
    0x808080, // 8 grey
    0xC0C0C0, // 9 silver
    0xFF0000, // 10 red
    0x00FF00, // 11 lime
    0xFFFF00, // 12 yellow
    0x0000FF, // 13 blue
    0xFF00FF, // 14 fuchsia
    0x00FFFF, // 15 aqua
    0xC0C0C0, // 16 silver
    0x808080, // 17 grey
    0xFFFFFF, // 18 white
};

inline constexpr int SeriesPaletteSize = 18;
