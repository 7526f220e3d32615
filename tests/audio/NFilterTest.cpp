#include "audio/NFilter.h"

#include "engine/NTables.h"
#include "engine/NTime.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// How resonance and the second filter sound is pinned by the golden renders; here the coefficient
// at the cutoff's limits and how a step of 4096 goes through a cleared filter.
TEST(NFilter, AStepRisesByTheCoefficientRoundingDownAndCarriesOverBlocks)
{
    NTables::buildTables();
    struct Case {
        std::int32_t cutoff;
        int blocks;
        bool highpass;
        int frame;
        std::int32_t value;
    };
    const Case cases[] = {
        {0, 1, false, 0, 6}, // below the range: the lowest cutoff's coefficient
        {NFilter::MinCutoff, 1, false, 1, 11}, // (4090 * 6) >> 12 rounds down to 5
        {NFilter::MinCutoff, 2, false, 0, 166}, // on from the 161 of the first block
        {NFilter::MinCutoff, 1, true, 0, 4096 - 6},
        {1 << 30, 1, false, 0, 4094},
    };
    for (const Case& c : cases) {
        NFilter filter;
        filter.clear();
        std::array<std::int32_t, ntime::BlockFrames> b;
        for (int i = 0; i < c.blocks; ++i) {
            filter.cutoff = c.cutoff; // the owner sets both before every block
            filter.resonance = 0;
            b.fill(4096);
            filter.process(b.data(), c.highpass);
        }
        EXPECT_EQ(b[c.frame], c.value) << c.cutoff << " " << c.blocks << " " << c.highpass << " " << c.frame;
    }
}

} // namespace
