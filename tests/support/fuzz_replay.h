#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

// A libFuzzer entry point; the targets abort on a fault and otherwise return 0.
using FuzzTarget = int (*)(const std::uint8_t* data, std::size_t size);

// Runs every file of a corpus directory through the target, so the corpus is
// replayed in every build. An empty or missing corpus fails the test.
void ReplayCorpus(const QString& dir, FuzzTarget target);

// Seeded random inputs rich in the bytes where a target's edge cases live: each byte
// comes from the palette when a 0..255 draw falls in [paletteFrom, paletteTo), and is
// drawn at random otherwise.
struct RandomInputs {
    std::uint32_t seed = 0;
    int count = 0;
    int minLength = 0;
    int maxLength = 0;
    std::vector<std::uint8_t> palette;
    int paletteFrom = 0;
    int paletteTo = 256;
    std::size_t randomHead = 0; // leading bytes always drawn at random
};

// Feeds the inputs to the target; stops at the first one it does not take.
void FeedRandomInputs(const RandomInputs& inputs, FuzzTarget target);
