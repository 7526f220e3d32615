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

TEST(NDelay, EchoesAfterItsLengthAndFeedsBackScaledRoundingDown)
{
    struct Case {
        int length, feedback, input;
        Frames out;
    };
    const Case cases[] = {
        {3, 0, 1000, {0, 0, 0, 1000, 0, 0, 0, 0, 0, 0}},
        {3, 128, 1000, {0, 0, 0, 1000, 0, 0, 500, 0, 0, 250}},
        {1, 255, 1000, {0, 1000, 996, 992}},
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

TEST(NDelay, OnlyANewLengthOrClearEmptiesTheLineAndNoUsableTimeIsAFreshSilentOneEachTime)
{
    NDelay delay;
    for (int render = 0; render < 2; ++render) { // what went in the first time never comes out
        delay.setLength(0);
        EXPECT_EQ(impulseResponse(delay, 1000, 600), Frames(600, 0));
    }
    delay.setLength(3);
    impulseResponse(delay, 7, 1);
    delay.setLength(3); // the mixer sets the length before every render
    EXPECT_EQ(impulseResponse(delay, 0, 3), (Frames{0, 0, 7}));
    impulseResponse(delay, 7, 1);
    delay.clear();
    EXPECT_EQ(impulseResponse(delay, 0, 3), Frames(3, 0));
    impulseResponse(delay, 7, 1);
    delay.setLength(4);
    EXPECT_EQ(impulseResponse(delay, 0, 8), Frames(8, 0));
}

} // namespace
