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

// How the mixer routes each side's return, in stereo and in mono, is pinned by the golden renders.
TEST(NReverb, PlainFirstEchoesAfterEachCombLengthThenAFilteredScaledSecondPass)
{
    NReverb left(NReverb::LeftLengths, NReverb::LeftDecay, NReverb::LeftDamping);
    const std::vector<std::int32_t> out = impulseResponse(left, 16384, 3387);
    std::vector<std::int32_t> expected(3386, 0);
    for (int length : {1693, 1827, 1965, 2043, 2175, 2357})
        expected[length] = 16384;
    EXPECT_EQ(std::vector<std::int32_t>(out.begin(), out.begin() + 3386), expected);
    // Comb 0 again: the lowpass takes 16384 to (16384 * 16400) >> 14 = 16400, then the loop gain.
    EXPECT_EQ(out[3386], (16400 * 13447) >> 14);
    impulseResponse(left, 5000, 100);
    left.clear(); // empties the combs and starts them again from their first frame
    EXPECT_EQ(impulseResponse(left, 16384, 3387), out);

    // The right side: other lengths, a gentler lowpass, another gain.
    NReverb right(NReverb::RightLengths, NReverb::RightDecay, NReverb::RightDamping);
    const std::vector<std::int32_t> r = impulseResponse(right, 16384, 3427);
    EXPECT_EQ((std::vector<std::int32_t>{r[1712], r[1713], r[1787], r[3426]}),
              (std::vector<std::int32_t>{0, 16384, 16384, (16200 * 13444) >> 14}));
}

} // namespace
