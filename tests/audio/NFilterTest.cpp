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

TEST(NFilterTest, ConstantInputSettlesToItselfInLowpassAndToZeroInHighpass)
{
    NTables::buildTables();
    NFilter filter;
    // Integer steps stop once (v - level) * F no longer reaches 4096: a dead band of 4096 / F.
    const int deadBand = 4096 / NFilter::frequencyCoefficient(30000);
    Block low = settle(filter, 30000, 128 * 256, 10000, 200, false);
    EXPECT_NEAR(low[31], 10000, deadBand);
    EXPECT_EQ(low[0], low[31]);
    EXPECT_NEAR(settle(filter, 30000, 128 * 256, 10000, 200, true)[31], 0, deadBand);
}

} // namespace
