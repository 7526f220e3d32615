#include "audio/NReverb.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Feeds `input` at frame 0 and silence afterwards; returns `frames` output frames.
std::vector<std::int32_t> impulseResponse(NReverb& reverb, std::int32_t input, int frames)
{
    std::vector<std::int32_t> out;
    for (int n = 0; n < frames; n += ntime::BlockFrames) {
        std::int32_t io[ntime::BlockFrames] = {n == 0 ? input : 0};
        reverb.process(io);
        out.insert(out.end(), io, io + ntime::BlockFrames);
    }
    out.resize(frames);
    return out;
}

NReverb makeLeft() { return NReverb(NReverb::LeftLengths, NReverb::LeftDecay, NReverb::LeftDamping); }
NReverb makeRight() { return NReverb(NReverb::RightLengths, NReverb::RightDecay, NReverb::RightDamping); }

TEST(NReverb, LoopGainsFollowFromDecayAndDamping)
{
    NReverb left = makeLeft();
    NReverb right = makeRight();
    const int leftGains[] = {13447, 13240, 13031, 12914, 12718, 12454};
    const int rightGains[] = {13444, 13330, 12934, 13004, 12598, 12604};
    for (int k = 0; k < NReverb::Combs; ++k) {
        EXPECT_EQ(left.getGain(k), leftGains[k]) << k;
        EXPECT_EQ(right.getGain(k), rightGains[k]) << k;
    }
}

TEST(NReverb, PlainFirstEchoesAfterEachCombLengthThenAFilteredScaledSecondPass)
{
    NReverb left = makeLeft();
    std::vector<std::int32_t> out = impulseResponse(left, 16384, 3387);
    std::vector<std::int32_t> expected(3386, 0);
    for (int length : {1693, 1827, 1965, 2043, 2175, 2357})
        expected[length] = 16384;
    EXPECT_EQ(std::vector<std::int32_t>(out.begin(), out.begin() + 3386), expected);
    // Comb 0 again: the lowpass takes 16384 to (16384 * 16400) >> 14 = 16400, then the loop gain.
    EXPECT_EQ(out[3386], (16400 * 13447) >> 14);

    NReverb right = makeRight(); // a gentler lowpass
    out = impulseResponse(right, 16384, 3427);
    EXPECT_EQ(out[1713], 16384);
    EXPECT_EQ(out[1787], 16384);
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
