#include "support/fuzz_replay.h"

#include <gtest/gtest.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

// The fuzz target's corpus, replayed in every build (the target aborts on a fault).
TEST(FaultDecoderFuzz, ReplaysTheCorpus) {
    ReplayCorpus(QStringLiteral(ZV_FAULT_CORPUS), LLVMFuzzerTestOneInput);
}

// Short buffers rich in 0xFF and small lengths, where the edge cases live.
TEST(FaultDecoderFuzz, SurvivesSeededRandomReplies) {
    RandomInputs inputs;
    inputs.seed = 20240517;
    inputs.count = 20000;
    inputs.minLength = 0;
    inputs.maxLength = 40;
    inputs.palette = {0xFF, 0x00, 0x01, 0x02, 0x03, 0x16, 0x55, 0x21, 0xFE};
    inputs.paletteFrom = 0; // half the bytes from the palette
    inputs.paletteTo = 128;
    FeedRandomInputs(inputs, LLVMFuzzerTestOneInput);
}

} // namespace
