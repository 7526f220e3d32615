#include "audio/NOscillator.h"

#include "audio/NRandom.h"
#include "engine/NTables.h"

#include <gtest/gtest.h>

#include <array>

namespace {

using Block = std::array<std::int32_t, NOscillator::BlockFrames>;

class NOscillatorTest : public ::testing::Test {
protected:
    void SetUp() override { NTables::buildTables(); }

    // The first frame of a block rendered at one phase without moving.
    std::int32_t valueAt(int waveform, std::uint32_t phase)
    {
        NOscillator osc;
        osc.waveform = waveform;
        osc.phase = phase;
        Block b;
        osc.render(b.data());
        return b[0];
    }
};

TEST_F(NOscillatorTest, SawRampsAndWraps)
{
    NOscillator osc;
    osc.waveform = NOscillator::Saw;
    osc.setIncrement(1u << 26);
    Block b;
    osc.render(b.data());
    EXPECT_EQ(b[0], -32768);
    EXPECT_EQ(b[1], -31744);
    EXPECT_EQ(b[2], -30720);
    EXPECT_EQ(b[31], -32768 + 31 * 1024);
    EXPECT_EQ(osc.phase, 1u << 31);
    osc.render(b.data());
    EXPECT_EQ(b[31], 32767 - 1023);
    EXPECT_EQ(osc.phase, 0u); // 64 frames: wrapped once
}

TEST_F(NOscillatorTest, SquareSwitchesAtHalfCycle)
{
    EXPECT_EQ(valueAt(NOscillator::Square, 0x7FFFFFFFu), -32767);
    EXPECT_EQ(valueAt(NOscillator::Square, 0x80000000u), 32767);
}

TEST_F(NOscillatorTest, TriangleFoldsAtTheTop)
{
    EXPECT_EQ(valueAt(NOscillator::Triangle, 0), -32768);
    EXPECT_EQ(valueAt(NOscillator::Triangle, 0x80000000u), 32768);
    EXPECT_EQ(valueAt(NOscillator::Triangle, 0x80008000u), 32767);
    EXPECT_EQ(valueAt(NOscillator::Triangle, 0xFFFFFFFFu), -32767);
}

TEST_F(NOscillatorTest, SineStartsAtItsPeak)
{
    EXPECT_EQ(valueAt(NOscillator::Sine, 0), 262143 >> 3);
    EXPECT_EQ(valueAt(NOscillator::Sine, 0x40000000u), 0);
    EXPECT_EQ(valueAt(NOscillator::Sine, 0x80000000u), -262143 >> 3);
}

TEST_F(NOscillatorTest, PulseWidthFollowsTheSweep)
{
    NOscillator osc;
    osc.waveform = NOscillator::Pulse;
    osc.pulsePhase = 16384; // threshold (262140) * 4096 = 1073725440
    Block b;
    osc.phase = 1073725439u;
    osc.render(b.data());
    EXPECT_EQ(b[0], -32767);
    EXPECT_EQ(osc.pulsePhase, 16444);
    osc.phase = 1073725440u;
    osc.pulsePhase = 16384;
    osc.render(b.data());
    EXPECT_EQ(b[0], 32767);
    // Negative threshold: -262143 with its low bits cleared is -262144.
    osc.pulsePhase = 49152;
    osc.phase = static_cast<std::uint32_t>(-262144 * 4096);
    osc.render(b.data());
    EXPECT_EQ(b[0], 32767);
    osc.phase = static_cast<std::uint32_t>(-262144 * 4096) - 1;
    osc.pulsePhase = 49152;
    osc.render(b.data());
    EXPECT_EQ(b[0], -32767);
}

TEST_F(NOscillatorTest, NoiseIsTheProgramGeneratorAndHoldsThePhase)
{
    NOscillator osc;
    osc.waveform = NOscillator::Noise;
    osc.phase = 12345;
    osc.setIncrement(1000);
    std::uint32_t state = NRandom::state();
    Block b;
    osc.render(b.data());
    for (int i = 0; i < NOscillator::BlockFrames; ++i) {
        state = state * 214013u + 2531011u;
        EXPECT_EQ(b[i], static_cast<std::int32_t>((state >> 16) & 0x7FFF)) << i;
    }
    EXPECT_EQ(osc.phase, 12345u);
}

TEST_F(NOscillatorTest, OtherWaveformsAreSilentButKeepTime)
{
    NOscillator osc;
    osc.waveform = 7;
    osc.setIncrement(100);
    Block b;
    b.fill(5);
    osc.render(b.data());
    for (std::int32_t v : b)
        EXPECT_EQ(v, 0);
    EXPECT_EQ(osc.phase, 3200u);
}

TEST_F(NOscillatorTest, GlideOvershootsOneBlockThenSnaps)
{
    NOscillator osc;
    osc.setIncrement(1000000);
    osc.glideTo(1006400);
    EXPECT_TRUE(osc.gliding);
    EXPECT_EQ(osc.glideStep, 100);
    Block b;
    for (int block = 0; block < 64; ++block)
        osc.render(b.data());
    EXPECT_EQ(osc.increment, 1006400u);
    osc.render(b.data());
    EXPECT_EQ(osc.increment, 1006500u);
    EXPECT_TRUE(osc.gliding);
    osc.render(b.data());
    EXPECT_EQ(osc.increment, 1006400u);
    EXPECT_FALSE(osc.gliding);
}

TEST_F(NOscillatorTest, GlideDownwardAndToTheSamePitch)
{
    NOscillator osc;
    osc.setIncrement(1006400);
    osc.glideTo(1000000);
    EXPECT_EQ(osc.glideStep, -100);
    Block b;
    for (int block = 0; block < 65; ++block)
        osc.render(b.data());
    EXPECT_EQ(osc.increment, 999900u);
    osc.render(b.data());
    EXPECT_EQ(osc.increment, 1000000u);
    EXPECT_FALSE(osc.gliding);

    osc.glideTo(1000000);
    EXPECT_FALSE(osc.gliding);
    EXPECT_EQ(osc.glideStep, 0);
    // A difference under 64 rounds to a zero step and arrives on the next block.
    osc.glideTo(1000050);
    EXPECT_EQ(osc.glideStep, 0);
    osc.render(b.data());
    EXPECT_EQ(osc.increment, 1000050u);
}

TEST_F(NOscillatorTest, ResetKeepsThePhases)
{
    NOscillator osc;
    osc.phase = 77;
    osc.pulsePhase = 99;
    osc.waveform = NOscillator::Saw;
    osc.glideTo(5000);
    osc.reset();
    EXPECT_EQ(osc.waveform, 0);
    EXPECT_EQ(osc.increment, 0u);
    EXPECT_EQ(osc.targetIncrement, 0u);
    EXPECT_FALSE(osc.gliding);
    EXPECT_EQ(osc.glideStep, 0);
    EXPECT_EQ(osc.phase, 77u);
    EXPECT_EQ(osc.pulsePhase, 99);
}

} // namespace
