#include "audio/NDelay.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Frames = std::vector<std::int32_t>;

// Feeds `input` at frame 0 of the first block and silence afterwards; returns frame 0 of each block.
Frames impulseResponse(NDelay& delay, std::int32_t input, int blocks)
{
    Frames out;
    for (int b = 0; b < blocks; ++b) {
        std::int32_t io[ntime::BlockFrames] = {b == 0 ? input : 0};
        delay.process(io);
        out.push_back(io[0]);
    }
    return out;
}

// How the echo sounds in the mix, and that a line keeps ringing from one render to the next, is
// pinned by the golden renders; an export's fresh line by the export reset test.
TEST(NDelay, EchoesAfterItsLengthAndFeedsBackScaledRoundingDown)
{
    const struct {
        int length, feedback, input;
        Frames out;
    } cases[] = {
        {3, 128, 1000, {0, 0, 0, 1000, 0, 0, 500, 0, 0, 250}},
        {1, 255, -1, {0, -1, -1, -1, -1, -1}},
        // No usable time: a silent line, whatever goes in.
        {-5, 255, 1000, Frames(600, 0)}, {NDelay::MaxBlocks + 1, 255, 1000, Frames(600, 0)},
    };
    for (const auto& c : cases) {
        NDelay delay;
        delay.setLength(c.length);
        delay.feedback = c.feedback;
        EXPECT_EQ(impulseResponse(delay, c.input, static_cast<int>(c.out.size())), c.out)
            << c.length << " " << c.feedback;
    }
}

} // namespace
