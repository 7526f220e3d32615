#include "audio/NEnvelope.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Block = std::array<std::int32_t, ntime::BlockFrames>;

NEnvelope fresh()
{
    NEnvelope e;
    e.reset();
    return e;
}

TEST(NEnvelopeTest, AttackThenLinearDecayAnsweringBeforeTheClampAtZero)
{
    NEnvelope e = fresh();
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

TEST(NEnvelopeTest, SmallRiseSkipsTheAttack)
{
    NEnvelope e = fresh();
    e.decayStep = 220;
    e.level = 100000;
    e.trigger(100500, 0);
    EXPECT_EQ(e.level, 100500);
    EXPECT_EQ(e.stage, NEnvelope::Decay);
    EXPECT_EQ(e.rate, -220); // a decay argument of 0 keeps the step

    e.level = 900000; // above the new peak: drops to it
    e.trigger(500000, 0);
    EXPECT_EQ(e.level, 500000);

    e = fresh();
    e.attackFrames = 5000;
    e.trigger(1500, 0);
    EXPECT_EQ(e.rate, 1); // 1500 / 5000 is 0, but an attack must move
}

TEST(NEnvelopeTest, ApplyRampsASquaredCurveWithinTheBlock)
{
    NEnvelope e = fresh();
    e.level = 1 << 20;
    EXPECT_EQ(e.curve(), 65536);
    Block b;
    for (int i = 0; i < ntime::BlockFrames; ++i)
        b[i] = i * 1000 - 16000;
    Block unchanged = b;
    e.apply(b.data());
    EXPECT_EQ(b, unchanged);

    e.level = 1 << 19;
    EXPECT_EQ(e.curve(), 16384);
    e.rate = -(1 << 15); // reaches 0 halfway through
    b.fill(30000);
    e.apply(b.data());
    EXPECT_EQ(b[0], 15000);
    EXPECT_EQ(b[1], (((((1 << 19) - (1 << 15)) >> 10) * 30000) >> 10));
    EXPECT_EQ(b[16], 0);
    EXPECT_EQ(e.level, 1 << 19); // only advance moves it

    e.level = (1 << 20) - 10;
    e.rate = 1000; // rising, the gain stops at the peak
    b.fill(-1024);
    e.apply(b.data());
    EXPECT_EQ(b[0], -1023);
    EXPECT_EQ(b[1], -1024);
}

TEST(NEnvelopeTest, HostileSettingsStayDefined)
{
    NEnvelope e = fresh();
    e.attackFrames = 0;
    e.trigger(0x7FFFFFFF, -1);
    e.advance();
    e.level = -0x7FFFFFFF;
    e.trigger(0x7FFFFFFF, 1);
    Block b;
    b.fill(0x7FFFFFFF);
    e.apply(b.data());
    e.advance();
}

} // namespace
