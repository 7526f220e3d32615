#include "audio/NEnvelope.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Block = std::array<std::int32_t, NEnvelope::BlockFrames>;

TEST(NEnvelopeTest, AttackThenLinearDecayAnsweringBeforeTheClampAtZero)
{
    NEnvelope e;
    e.reset();
    e.trigger(1 << 20, 44100);
    EXPECT_EQ(e.decayStep, 23);
    EXPECT_EQ(e.rate, 10485);
    EXPECT_EQ(e.advance(), 335520);
    e.advance();
    e.advance();
    EXPECT_EQ(e.stage, NEnvelope::Attack);
    EXPECT_EQ(e.advance(), 1 << 20);
    EXPECT_EQ(e.rate, -23);
    EXPECT_EQ(e.advance(), (1 << 20) - 23 * 32);
    e.level = 1000;
    e.rate = -220;
    EXPECT_EQ(e.advance(), 1000 - 220 * 32);
    EXPECT_EQ(e.level, 0);
}

TEST(NEnvelopeTest, SmallRiseSkipsTheAttackButAnAttackAlwaysMoves)
{
    struct Case {
        std::int32_t level, peak, attackFrames;
        std::int32_t levelAfter, stage, rate;
    };
    for (const Case& c : {Case{100000, 100500, 100, 100500, NEnvelope::Decay, -220}, // keeps its decay step
                          {900000, 500000, 100, 500000, NEnvelope::Decay, -220},     // above the new peak: drops to it
                          {0, 1500, 5000, 0, NEnvelope::Attack, 1}}) {               // 1500 / 5000 is 0
        NEnvelope e;
        e.reset();
        e.decayStep = 220;
        e.level = c.level;
        e.attackFrames = c.attackFrames;
        e.trigger(c.peak, 0);
        EXPECT_EQ(e.level, c.levelAfter) << c.peak;
        EXPECT_EQ(e.stage, c.stage) << c.peak;
        EXPECT_EQ(e.rate, c.rate) << c.peak;
    }
}

TEST(NEnvelopeTest, ApplyRampsTheLevelWithinTheBlockBetweenZeroAndThePeak)
{
    NEnvelope e;
    e.reset();
    e.level = 1 << 20;
    EXPECT_EQ(e.curve(), 65536);
    Block b;
    for (int i = 0; i < NEnvelope::BlockFrames; ++i)
        b[i] = i * 1000 - 16000;
    Block unchanged = b;
    e.apply(b.data());
    EXPECT_EQ(b, unchanged);

    e.level = 1 << 19;
    EXPECT_EQ(e.curve(), 16384); // squared
    e.rate = -(1 << 15); // reaches 0 halfway through
    b.fill(30000);
    e.apply(b.data());
    EXPECT_EQ((std::array{b[0], b[1], b[16]}), (std::array{15000, 14062, 0}));
    EXPECT_EQ(e.level, 1 << 19); // only advance moves it

    e.level = (1 << 20) - 10;
    e.rate = 1000; // rising, the gain stops at the peak
    b.fill(-1024);
    e.apply(b.data());
    EXPECT_EQ((std::array{b[0], b[1]}), (std::array{-1023, -1024}));
}

} // namespace
