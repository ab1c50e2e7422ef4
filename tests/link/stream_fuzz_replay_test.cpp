#include "support/fuzz_replay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// The stream fuzz target's corpus, replayed in every build (the target aborts on a
// fault).
TEST(StreamFuzz, ReplaysTheCorpus) {
    ReplayCorpus(QStringLiteral(ZV_STREAM_CORPUS), LLVMFuzzerTestOneInput);
}

// Inputs rich in frame starts, short lengths and zero gaps, where the edges are.
TEST(StreamFuzz, SurvivesSeededRandomStreams) {
    RandomInputs inputs;
    inputs.seed = 20240517;
    inputs.count = 300;
    inputs.minLength = 2;
    inputs.maxLength = 120;
    inputs.palette = {0xFF, 0xFF, 0x00, 0x01, 0x02, 0x03, 0x05, 0x10, 0xFE, 0x30};
    inputs.paletteFrom = 64; // three bytes in four from the palette
    inputs.paletteTo = 256;
    inputs.randomHead = 2; // the switches and the ECU selection
    FeedRandomInputs(inputs, LLVMFuzzerTestOneInput);
}

} // namespace
