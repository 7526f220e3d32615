#include "audio/NDelay.h"

#include <gtest/gtest.h>

#include <tuple>
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

TEST(NDelay, EchoesAfterItsLengthAndFeedsBackScaledRoundingDown)
{
    struct Case {
        int length, feedback, input;
        Frames out;
    };
    const Case cases[] = {
        {3, 128, 1000, {0, 0, 0, 1000, 0, 0, 500, 0, 0, 250}},
        {1, 255, -1, {0, -1, -1, -1, -1, -1}},
        // No usable time: a silent line, whatever goes in.
        {-5, 255, 1000, Frames(600, 0)}, {NDelay::MaxBlocks + 1, 255, 1000, Frames(600, 0)},
    };
    for (const Case& c : cases) {
        NDelay delay;
        delay.setLength(c.length);
        delay.feedback = c.feedback;
        EXPECT_EQ(impulseResponse(delay, c.input, static_cast<int>(c.out.size())), c.out) << c.length << " " << c.feedback;
    }
}

// The mixer sets the length before every render: only a new length, or clear, empties the line.
TEST(NDelay, OnlyANewLengthOrClearEmptiesTheLine)
{
    NDelay delay;
    for (auto [again, clear, out] : {std::tuple{3, false, Frames{0, 0, 7}}, {3, true, Frames(3, 0)},
                                     {4, false, Frames(8, 0)}}) {
        delay.setLength(3);
        impulseResponse(delay, 7, 1);
        delay.setLength(again);
        if (clear)
            delay.clear();
        EXPECT_EQ(impulseResponse(delay, 0, static_cast<int>(out.size())), out) << again << " " << clear;
    }
}

} // namespace
