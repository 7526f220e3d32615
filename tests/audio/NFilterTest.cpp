#include "audio/NFilter.h"

#include "engine/NTables.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Block = std::array<std::int32_t, NFilter::BlockFrames>;

// Runs a cleared filter over blocks of one value; returns the last block.
Block settle(NFilter& filter, std::int32_t cutoff, std::int32_t resonance, std::int32_t v, int blocks, bool highpass)
{
    filter.clear();
    Block b;
    for (int i = 0; i < blocks; ++i) {
        filter.cutoff = cutoff;
        filter.resonance = resonance;
        b.fill(v);
        filter.process(b.data(), highpass);
    }
    return b;
}

TEST(NFilterTest, CoefficientAtTheCutoffLimits)
{
    NTables::buildTables();
    for (auto [cutoff, coefficient] : {std::pair{0, 6}, {2559, 6}, {65280, 4066}, {65535, 4094}, {1 << 30, 4094}})
        EXPECT_EQ(NFilter::frequencyCoefficient(cutoff), coefficient) << cutoff;
}

// How resonance, highpass and the second filter sound is pinned by the golden renders.
TEST(NFilterTest, WithoutResonanceAStepRisesByTheCoefficientAndCarriesOverBlocks)
{
    NTables::buildTables();
    NFilter filter;
    EXPECT_EQ(settle(filter, 65535, 0, 4096, 1, false)[0], 4094);
    Block b = settle(filter, 2559, 0, 4096, 1, false); // F = 6
    EXPECT_EQ(b[0], 6);
    EXPECT_EQ(b[1], 11); // (4090 * 6) >> 12 rounds down to 5
    EXPECT_EQ(settle(filter, 2559, 0, 4096, 2, false)[0], 166); // on from the 161 of the first block
}

} // namespace
