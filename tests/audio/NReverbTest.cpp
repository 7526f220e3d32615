#include "audio/NReverb.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Feeds `input` at frame 0 and silence afterwards; returns `frames` output frames.
std::vector<std::int32_t> impulseResponse(NReverb reverb, std::int32_t input, int frames)
{
    std::vector<std::int32_t> out;
    for (int n = 0; n < frames; n += NReverb::BlockFrames) {
        std::int32_t io[NReverb::BlockFrames] = {n == 0 ? input : 0};
        reverb.process(io);
        out.insert(out.end(), io, io + NReverb::BlockFrames);
    }
    out.resize(frames);
    return out;
}

// The mixer's tests show where each side's echoes fall in the mix and that clearing restarts them.
TEST(NReverb, PlainFirstEchoesAfterEachCombLengthThenAFilteredScaledSecondPass)
{
    std::vector<std::int32_t> out =
        impulseResponse(NReverb(NReverb::LeftLengths, NReverb::LeftDecay, NReverb::LeftDamping), 16384, 3387);
    std::vector<std::int32_t> expected(3386, 0);
    for (int length : {1693, 1827, 1965, 2043, 2175, 2357})
        expected[length] = 16384;
    EXPECT_EQ(std::vector<std::int32_t>(out.begin(), out.begin() + 3386), expected);
    // Comb 0 again: the lowpass takes 16384 to (16384 * 16400) >> 14 = 16400, then the loop gain.
    EXPECT_EQ(out[3386], (16400 * 13447) >> 14);

    // The right side: other lengths, a gentler lowpass, another gain.
    out = impulseResponse(NReverb(NReverb::RightLengths, NReverb::RightDecay, NReverb::RightDamping), 16384, 3427);
    EXPECT_EQ(out[1713], 16384);
    EXPECT_EQ(out[1787], 16384);
    EXPECT_EQ(out[3426], (16200 * 13444) >> 14);
}

} // namespace
