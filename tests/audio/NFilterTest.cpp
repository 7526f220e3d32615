#include "audio/NFilter.h"
#include "engine/NWrap32.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace {

// The dual filter's two filters run side by side must sound as the two run one after the other and
// added, block after block (their states carry over), for any input.
TEST(NFilter, ProcessSumIsTheSumOfBothFiltersRunApart)
{
    std::mt19937 random(3);
    for (bool highpass : {false, true})
        for (bool fullWords : {false, true}) {
            NFilter a;
            NFilter b;
            NFilter aApart;
            NFilter bApart;
            for (int block = 0; block < 300; ++block) {
                a.cutoff = aApart.cutoff = static_cast<std::int32_t>(random() % 70000);
                b.cutoff = bApart.cutoff = static_cast<std::int32_t>(random() % 70000);
                a.resonance = aApart.resonance = static_cast<std::int32_t>(random() % 256) * 256;
                b.resonance = bApart.resonance = fullWords ? static_cast<std::int32_t>(random()) : 0;
                std::int32_t io[ntime::BlockFrames];
                std::int32_t first[ntime::BlockFrames];
                std::int32_t second[ntime::BlockFrames];
                for (int i = 0; i < ntime::BlockFrames; ++i)
                    io[i] = first[i] = second[i] = fullWords ? static_cast<std::int32_t>(random())
                                                            : static_cast<std::int32_t>(random() % 65536) - 32768;
                NFilter::processSum(a, b, io, highpass);
                aApart.process(first, false);
                bApart.process(second, highpass);
                for (int i = 0; i < ntime::BlockFrames; ++i)
                    ASSERT_EQ(io[i], wrap32::add(first[i], second[i])) << "block " << block << " frame " << i;
                ASSERT_EQ(a.band, aApart.band);
                ASSERT_EQ(a.level, aApart.level);
                ASSERT_EQ(b.band, bApart.band);
                ASSERT_EQ(b.level, bApart.level);
            }
        }
}

} // namespace
