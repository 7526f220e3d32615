#include "audio/NOscillator.h"

#include "audio/NRandom.h"
#include "engine/NTables.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

namespace {

using Block = std::array<std::int32_t, ntime::BlockFrames>;

Block render(NOscillator& osc)
{
    Block b;
    osc.render(b.data());
    return b;
}

std::int32_t firstFrame(int waveform, std::uint32_t phase, std::int32_t pulsePhase = 0)
{
    NTables::buildTables();
    NOscillator osc;
    osc.waveform = waveform;
    osc.phase = phase;
    osc.pulsePhase = pulsePhase;
    return render(osc)[0];
}

TEST(NOscillatorTest, SawRampsAndWraps)
{
    NOscillator osc;
    osc.waveform = NOscillator::Saw;
    osc.setIncrement(1u << 26);
    Block b = render(osc);
    EXPECT_EQ(b[0], -32768);
    EXPECT_EQ(b[1], -31744);
    EXPECT_EQ(b[2], -30720);
    EXPECT_EQ(render(osc)[31], 32767 - 1023);
    EXPECT_EQ(osc.phase, 0u); // 64 frames: wrapped once
}

TEST(NOscillatorTest, ShapesAtTheirTurningPoints)
{
    // Pulse sweep at a quarter turn: (262143 with its low bits cleared) * 4096 = 1073725440. At three
    // quarters -262143 with its low bits cleared is -262144; the phase compares signed.
    const std::uint32_t low = static_cast<std::uint32_t>(-262144 * 4096);
    const std::tuple<int, std::uint32_t, std::int32_t, std::int32_t> cases[] = {
        // waveform, phase, pulse sweep, first frame
        {NOscillator::Square, 0x7FFFFFFFu, 0, -32767},
        {NOscillator::Square, 0x80000000u, 0, 32767},
        {NOscillator::Triangle, 0, 0, -32768},
        {NOscillator::Triangle, 0x80000000u, 0, 32768},
        {NOscillator::Triangle, 0x80008000u, 0, 32767},
        {NOscillator::Sine, 0, 0, 262143 >> 3}, // the cosine of the phase
        {NOscillator::Sine, 0x80000000u, 0, -262143 >> 3},
        {NOscillator::Pulse, 1073725439u, 16384, -32767},
        {NOscillator::Pulse, 1073725440u, 16384, 32767},
        {NOscillator::Pulse, low, 49152, 32767},
        {NOscillator::Pulse, low - 1, 49152, -32767},
    };
    for (const auto& [waveform, phase, pulsePhase, value] : cases)
        EXPECT_EQ(firstFrame(waveform, phase, pulsePhase), value) << waveform << " " << phase;

    NOscillator osc;
    osc.waveform = 7; // no such shape: silence
    EXPECT_EQ(render(osc), Block{});
    osc.waveform = NOscillator::Pulse;
    render(osc);
    EXPECT_EQ(osc.pulsePhase, 60);
}

TEST(NOscillatorTest, NoiseIsTheProgramGeneratorAndHoldsThePhase)
{
    NOscillator osc;
    osc.waveform = NOscillator::Noise;
    osc.phase = 12345;
    osc.setIncrement(1000);
    std::uint32_t state = NRandom::state();
    Block b = render(osc);
    for (int i = 0; i < ntime::BlockFrames; ++i) {
        state = state * 214013u + 2531011u;
        EXPECT_EQ(b[i], static_cast<std::int32_t>((state >> 16) & 0x7FFF)) << i;
    }
    EXPECT_EQ(osc.phase, 12345u);
}

TEST(NOscillatorTest, GlideOvershootsOneBlockThenSnaps)
{
    NOscillator osc;
    osc.setIncrement(1000000);
    osc.glideTo(1006400);
    EXPECT_EQ(osc.glideStep, 100);
    for (int block = 0; block < 64; ++block)
        render(osc);
    EXPECT_EQ(osc.increment, 1006400u);
    render(osc);
    EXPECT_EQ(osc.increment, 1006500u); // the test comes before the step
    render(osc);
    EXPECT_EQ(osc.increment, 1006400u);
    EXPECT_FALSE(osc.gliding);

    osc.glideTo(1000000); // downwards: arithmetic shift of the negative difference
    EXPECT_EQ(osc.glideStep, -100);
    osc.glideTo(1006450); // under 64 apart: a zero step that arrives on the next block
    EXPECT_EQ(osc.glideStep, 0);
    render(osc);
    EXPECT_EQ(osc.increment, 1006450u);
    osc.glideTo(1006450);
    EXPECT_FALSE(osc.gliding);
}

} // namespace
