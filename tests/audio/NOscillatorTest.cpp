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

    static Block renderAt(int waveform, std::uint32_t phase, std::int32_t pulsePhase = 0)
    {
        NOscillator osc;
        osc.waveform = waveform;
        osc.phase = phase;
        osc.pulsePhase = pulsePhase;
        Block b;
        osc.render(b.data());
        return b;
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
    osc.render(b.data());
    EXPECT_EQ(b[31], 32767 - 1023);
    EXPECT_EQ(osc.phase, 0u); // 64 frames: wrapped once
}

TEST_F(NOscillatorTest, ShapesAtTheirTurningPoints)
{
    EXPECT_EQ(renderAt(NOscillator::Square, 0x7FFFFFFFu)[0], -32767);
    EXPECT_EQ(renderAt(NOscillator::Square, 0x80000000u)[0], 32767);
    EXPECT_EQ(renderAt(NOscillator::Triangle, 0)[0], -32768);
    EXPECT_EQ(renderAt(NOscillator::Triangle, 0x80000000u)[0], 32768);
    EXPECT_EQ(renderAt(NOscillator::Triangle, 0x80008000u)[0], 32767);
    EXPECT_EQ(renderAt(NOscillator::Sine, 0)[0], 262143 >> 3); // the cosine of the phase
    EXPECT_EQ(renderAt(NOscillator::Sine, 0x80000000u)[0], -262143 >> 3);
    EXPECT_EQ(renderAt(7, 0x12345678u), Block{});
}

TEST_F(NOscillatorTest, PulseThresholdFollowsTheSweep)
{
    // Sweep at a quarter turn: (262143 with its low bits cleared) * 4096 = 1073725440.
    EXPECT_EQ(renderAt(NOscillator::Pulse, 1073725439u, 16384)[0], -32767);
    EXPECT_EQ(renderAt(NOscillator::Pulse, 1073725440u, 16384)[0], 32767);
    // Three quarters: -262143 with its low bits cleared is -262144; the phase compares signed.
    std::uint32_t low = static_cast<std::uint32_t>(-262144 * 4096);
    EXPECT_EQ(renderAt(NOscillator::Pulse, low, 49152)[0], 32767);
    EXPECT_EQ(renderAt(NOscillator::Pulse, low - 1, 49152)[0], -32767);

    NOscillator osc;
    osc.waveform = NOscillator::Pulse;
    Block b;
    osc.render(b.data());
    EXPECT_EQ(osc.pulsePhase, 60);
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

TEST_F(NOscillatorTest, GlideOvershootsOneBlockThenSnaps)
{
    NOscillator osc;
    osc.setIncrement(1000000);
    osc.glideTo(1006400);
    EXPECT_EQ(osc.glideStep, 100);
    Block b;
    for (int block = 0; block < 64; ++block)
        osc.render(b.data());
    EXPECT_EQ(osc.increment, 1006400u);
    osc.render(b.data());
    EXPECT_EQ(osc.increment, 1006500u); // the test comes before the step
    osc.render(b.data());
    EXPECT_EQ(osc.increment, 1006400u);
    EXPECT_FALSE(osc.gliding);

    osc.glideTo(1000000); // downwards: arithmetic shift of the negative difference
    EXPECT_EQ(osc.glideStep, -100);
    osc.glideTo(1006450); // under 64 apart: a zero step that arrives on the next block
    EXPECT_EQ(osc.glideStep, 0);
    osc.render(b.data());
    EXPECT_EQ(osc.increment, 1006450u);
    osc.glideTo(1006450);
    EXPECT_FALSE(osc.gliding);
}

} // namespace
