#include "audio/NFilter.h"

#include "engine/NTables.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Block = std::array<std::int32_t, ntime::BlockFrames>;

Block constant(std::int32_t v)
{
    Block b;
    b.fill(v);
    return b;
}

// Runs a cleared filter over blocks of one value; returns the last block.
Block settle(NFilter& filter, std::int32_t cutoff, std::int32_t resonance, std::int32_t v, int blocks, bool highpass)
{
    filter.clear();
    Block b;
    for (int i = 0; i < blocks; ++i) {
        filter.cutoff = cutoff;
        filter.resonance = resonance;
        b = constant(v);
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

TEST(NFilterTest, OnePoleStepResponseCarriesOverBlocks)
{
    NTables::buildTables();
    NFilter filter;
    EXPECT_EQ(settle(filter, 65535, 0, 4096, 1, false)[0], 4094);

    Block b = settle(filter, 2559, 0, 4096, 1, false); // F = 6; without resonance band is cleared every frame
    EXPECT_EQ(b[0], 6);  // (4096 * 6) >> 12
    EXPECT_EQ(b[1], 11); // 6 + ((4090 * 6) >> 12)
    std::int32_t carried = filter.level;
    b = constant(4096);
    filter.process(b.data(), false);
    EXPECT_EQ(b[0], carried + (((4096 - carried) * 6) >> 12));
}

TEST(NFilterTest, ConstantInputSettlesInBothModesAndHostileSettingsWrap)
{
    NTables::buildTables();
    NFilter filter;
    // Integer steps stop once (v - level) * F no longer reaches 4096: a dead band of 4096 / F.
    const int deadBand = 4096 / NFilter::frequencyCoefficient(30000);
    Block low = settle(filter, 30000, 128 * 256, 10000, 200, false);
    EXPECT_NEAR(low[31], 10000, deadBand);
    EXPECT_EQ(low[0], low[31]);
    EXPECT_NEAR(settle(filter, 30000, 128 * 256, 10000, 200, true)[31], 0, deadBand);

    filter.cutoff = 65535;
    filter.resonance = 0x7FFFFFFF; // UBSan reports any overflow
    for (int block = 0; block < 50; ++block) {
        Block b = constant(block % 2 ? 0x7FFFFFFF : -0x7FFFFFFF);
        filter.process(b.data(), block % 3 == 0);
    }
}

} // namespace
