#include "audio/NReverb.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Feeds `input` at frame 0 and silence afterwards; returns `frames` output frames.
std::vector<std::int32_t> impulseResponse(NReverb& reverb, std::int32_t input, int frames)
{
    std::vector<std::int32_t> out;
    for (int n = 0; n < frames; n += NReverb::BlockFrames) {
        std::int32_t io[NReverb::BlockFrames] = {};
        if (n == 0)
            io[0] = input;
        reverb.process(io);
        out.insert(out.end(), io, io + NReverb::BlockFrames);
    }
    out.resize(frames);
    return out;
}

NReverb makeLeft()
{
    return NReverb(NReverb::LeftLengths, NReverb::LeftDecay, NReverb::LeftDamping);
}

TEST(NReverb, LoopGainsFollowFromDecayAndDamping)
{
    NReverb left = makeLeft();
    NReverb right(NReverb::RightLengths, NReverb::RightDecay, NReverb::RightDamping);
    const int leftGains[] = {13447, 13240, 13031, 12914, 12718, 12454};
    const int rightGains[] = {13444, 13330, 12934, 13004, 12598, 12604};
    for (int k = 0; k < NReverb::Combs; ++k) {
        EXPECT_EQ(left.getGain(k), leftGains[k]) << k;
        EXPECT_EQ(right.getGain(k), rightGains[k]) << k;
    }
}

TEST(NReverb, FirstEchoesArriveAfterEachCombLength)
{
    NReverb left = makeLeft();
    std::vector<std::int32_t> out = impulseResponse(left, 16384, 3386);
    std::vector<std::int32_t> expected(3386, 0);
    for (int length : {1693, 1827, 1965, 2043, 2175, 2357})
        expected[length] = 16384;
    // Until comb 0 comes round a second time only the six plain first echoes sound.
    EXPECT_EQ(out, expected);
}

TEST(NReverb, SecondPassIsFilteredAndScaledByTheLoopGain)
{
    NReverb left = makeLeft();
    std::vector<std::int32_t> out = impulseResponse(left, 16384, 3387);
    // Comb 0: the lowpass takes 16384 to (16384 * 16400) >> 14 = 16400, the gain scales that.
    const std::int32_t filtered = (16384 * 16400) >> 14;
    EXPECT_EQ(out[3386], (filtered * 13447) >> 14);
    EXPECT_EQ(out[3386], 13460);
}

TEST(NReverb, RightInstanceIsAGentleLowpass)
{
    NReverb right(NReverb::RightLengths, NReverb::RightDecay, NReverb::RightDamping);
    std::vector<std::int32_t> out = impulseResponse(right, 16384, 3427);
    EXPECT_EQ(out[1713], 16384);
    EXPECT_EQ(out[1787], 16384);
    // Comb 0's second pass: lowpass (16384 * 16200) >> 14 = 16200, then the gain 13444.
    EXPECT_EQ(out[3426], (16200 * 13444) >> 14);
}

TEST(NReverb, ClearGivesTheResponseOfANewInstance)
{
    NReverb fresh = makeLeft();
    std::vector<std::int32_t> expected = impulseResponse(fresh, 12345, 5000);

    NReverb used = makeLeft();
    impulseResponse(used, -20000, 3000 + 16); // leaves lines, filters and positions mid-way
    used.clear();
    EXPECT_EQ(impulseResponse(used, 12345, 5000), expected);
}

} // namespace
