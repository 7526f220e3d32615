#include "audio/NDelay.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Feeds `input` at frame 0 of the first block and silence afterwards; returns frame 0 of each block.
std::vector<std::int32_t> impulseResponse(NDelay& delay, std::int32_t input, int blocks)
{
    std::vector<std::int32_t> out;
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
        std::vector<std::int32_t> out;
    };
    const Case cases[] = {
        {3, 0, 1000, {0, 0, 0, 1000, 0, 0, 0, 0, 0, 0}},
        {3, 128, 1000, {0, 0, 0, 1000, 0, 0, 500, 0, 0, 250}},
        {1, 255, 1000, {0, 1000, 996, 992}},
        {1, 255, -1, {0, -1, -1, -1, -1, -1}},
    };
    for (const Case& c : cases) {
        NDelay delay;
        delay.setLength(c.length);
        delay.feedback = c.feedback;
        const int blocks = static_cast<int>(c.out.size());
        EXPECT_EQ(impulseResponse(delay, c.input, blocks), c.out) << c.feedback << " " << c.input;
    }
}

TEST(NDelay, OnlyANewLengthEmptiesTheLineAndClearKeepsThePlace)
{
    NDelay delay;
    delay.setLength(3);
    impulseResponse(delay, 7, 1);
    delay.setLength(3);
    EXPECT_EQ(delay.getIndex(), 1);
    EXPECT_EQ(impulseResponse(delay, 0, 3), (std::vector<std::int32_t>{0, 0, 7}));

    impulseResponse(delay, 7, 1);
    delay.clear();
    EXPECT_EQ(delay.getIndex(), 2);
    EXPECT_EQ(impulseResponse(delay, 5, 4), (std::vector<std::int32_t>{0, 0, 0, 5}));

    impulseResponse(delay, 7, 1);
    delay.setLength(4);
    EXPECT_EQ(delay.getLength(), 4);
    EXPECT_EQ(delay.getIndex(), 0);
    EXPECT_EQ(impulseResponse(delay, 0, 8), std::vector<std::int32_t>(8, 0));
}

TEST(NDelay, NoUsableTimeIsSilence)
{
    for (int blocks : {0, -5, NDelay::MaxBlocks + 1}) {
        NDelay delay;
        for (int render = 0; render < 4; ++render) { // the mixer sets the length before every render
            delay.setLength(blocks);
            EXPECT_EQ(delay.getLength(), NDelay::SilentBlocks);
            EXPECT_EQ(impulseResponse(delay, 1000, 600), std::vector<std::int32_t>(600, 0)) << blocks;
        }
    }
}

} // namespace
