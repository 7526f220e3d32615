#include "audio/NFilter.h"

#include "engine/NTables.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Block = std::array<std::int32_t, NFilter::BlockFrames>;

Block constant(std::int32_t v)
{
    Block b;
    b.fill(v);
    return b;
}

class NFilterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NTables::buildTables();
        filter.clear();
    }

    NFilter filter;
};

TEST_F(NFilterTest, CoefficientAtTheCutoffLimits)
{
    EXPECT_EQ(NFilter::frequencyCoefficient(0), 6);
    EXPECT_EQ(NFilter::frequencyCoefficient(2559), 6);
    EXPECT_EQ(NFilter::frequencyCoefficient(65280), 4066);
    EXPECT_EQ(NFilter::frequencyCoefficient(65535), 4094);
    EXPECT_EQ(NFilter::frequencyCoefficient(1 << 30), 4094);
}

TEST_F(NFilterTest, OnePoleStepResponseCarriesOverBlocks)
{
    filter.cutoff = 65535;
    Block b = constant(4096);
    filter.process(b.data(), false);
    EXPECT_EQ(b[0], 4094);

    filter.clear();
    filter.cutoff = 2559; // F = 6; without resonance band is cleared every frame
    b = constant(4096);
    filter.process(b.data(), false);
    EXPECT_EQ(b[0], 6);  // (4096 * 6) >> 12
    EXPECT_EQ(b[1], 11); // 6 + ((4090 * 6) >> 12)
    std::int32_t carried = filter.level;
    b = constant(4096);
    filter.process(b.data(), false);
    EXPECT_EQ(b[0], carried + (((4096 - carried) * 6) >> 12));
}

TEST_F(NFilterTest, ConstantInputSettlesInBothModes)
{
    NFilter highpass = filter;
    Block low{};
    Block high{};
    for (int block = 0; block < 200; ++block) {
        filter.cutoff = highpass.cutoff = 30000;
        filter.resonance = highpass.resonance = 128 * 256;
        low = constant(10000);
        high = constant(10000);
        filter.process(low.data(), false);
        highpass.process(high.data(), true);
    }
    // Integer steps stop once (v - level) * F no longer reaches 4096: a dead band of 4096 / F.
    const int deadBand = 4096 / NFilter::frequencyCoefficient(30000);
    EXPECT_NEAR(low[31], 10000, deadBand);
    EXPECT_EQ(low[0], low[31]);
    EXPECT_NEAR(high[31], 0, deadBand);
}

TEST_F(NFilterTest, HostileSettingsWrapInsteadOfOverflowing)
{
    filter.cutoff = 65535;
    filter.resonance = 0x7FFFFFFF;
    for (int block = 0; block < 50; ++block) {
        Block b = constant(block % 2 ? 0x7FFFFFFF : -0x7FFFFFFF);
        filter.process(b.data(), block % 3 == 0);
    }
}

} // namespace
