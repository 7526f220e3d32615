#include "audio/NDelay.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

using Block = std::array<std::int32_t, NDelay::BlockFrames>;

// Feeds `input` at frame 0 of block 0 and silence afterwards; returns frame 0 of every output block.
std::vector<std::int32_t> impulseResponse(NDelay& delay, std::int32_t input, int blocks)
{
    std::vector<std::int32_t> out;
    for (int b = 0; b < blocks; ++b) {
        Block io{};
        if (b == 0)
            io[0] = input;
        delay.process(io.data());
        out.push_back(io[0]);
    }
    return out;
}

TEST(NDelay, EchoesAfterItsLengthOnlyWithoutFeedback)
{
    NDelay delay;
    delay.setLength(3);
    std::vector<std::int32_t> out = impulseResponse(delay, 1000, 10);
    EXPECT_EQ(out, (std::vector<std::int32_t>{0, 0, 0, 1000, 0, 0, 0, 0, 0, 0}));
}

TEST(NDelay, FeedbackRepeatsTheEchoScaledEachPass)
{
    NDelay delay;
    delay.setLength(3);
    delay.feedback = 128;
    std::vector<std::int32_t> out = impulseResponse(delay, 1000, 10);
    EXPECT_EQ(out, (std::vector<std::int32_t>{0, 0, 0, 1000, 0, 0, 500, 0, 0, 250}));
}

TEST(NDelay, ScalingRoundsTowardsMinusInfinity)
{
    NDelay delay;
    delay.setLength(1);
    delay.feedback = 255;
    std::vector<std::int32_t> negative = impulseResponse(delay, -1, 6);
    EXPECT_EQ(negative, (std::vector<std::int32_t>{0, -1, -1, -1, -1, -1}));

    NDelay positive;
    positive.setLength(1);
    positive.feedback = 255;
    EXPECT_EQ(impulseResponse(positive, 1000, 4), (std::vector<std::int32_t>{0, 1000, 996, 992}));
}

TEST(NDelay, AnUnchangedLengthKeepsTheEchoRunning)
{
    NDelay delay;
    delay.setLength(3);
    Block io{};
    io[0] = 7;
    delay.process(io.data());
    delay.setLength(3);
    EXPECT_EQ(delay.getIndex(), 1);
    std::vector<std::int32_t> out = impulseResponse(delay, 0, 3);
    EXPECT_EQ(out, (std::vector<std::int32_t>{0, 0, 7}));
}

TEST(NDelay, ANewLengthStartsAnEmptyLine)
{
    NDelay delay;
    delay.setLength(3);
    Block io{};
    io[0] = 7;
    delay.process(io.data());
    delay.setLength(4);
    EXPECT_EQ(delay.getLength(), 4);
    EXPECT_EQ(delay.getIndex(), 0);
    EXPECT_EQ(impulseResponse(delay, 0, 8), std::vector<std::int32_t>(8, 0));
}

TEST(NDelay, NoUsableTimeIsSilence)
{
    for (int blocks : {0, -5, NDelay::MaxBlocks + 1}) {
        NDelay delay;
        std::vector<std::int32_t> out;
        // The mixer sets the length before every render; each render here is 600 blocks.
        for (int render = 0; render < 4; ++render) {
            delay.setLength(blocks);
            EXPECT_EQ(delay.getLength(), NDelay::SilentBlocks);
            std::vector<std::int32_t> part = impulseResponse(delay, 1000, 600);
            out.insert(out.end(), part.begin(), part.end());
        }
        EXPECT_EQ(out, std::vector<std::int32_t>(2400, 0)) << blocks;
    }
}

TEST(NDelay, ClearEmptiesTheLineButKeepsThePlace)
{
    NDelay delay;
    delay.setLength(3);
    Block io{};
    io[0] = 7;
    delay.process(io.data());
    delay.clear();
    EXPECT_EQ(delay.getIndex(), 1);
    EXPECT_EQ(impulseResponse(delay, 5, 4), (std::vector<std::int32_t>{0, 0, 0, 5}));
}

} // namespace
