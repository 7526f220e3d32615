#include "audio/NOscillator.h"

#include "engine/NTables.h"
#include "engine/NTime.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// How each shape sounds is pinned by the golden renders; here the wrap, the pulse's signed compare
// and a shape that does not exist.
TEST(NOscillator, ShapesGiveTheseFramesAtTheirTurningPoints)
{
    NTables::buildTables();
    // Pulse sweep at a quarter turn: (262143 with its low bits cleared) * 4096 = 1073725440. At three
    // quarters -262143 with its low bits cleared is -262144; the phase compares signed.
    const std::uint32_t low = static_cast<std::uint32_t>(-262144 * 4096);
    struct Case {
        int waveform;
        std::uint32_t phase, increment;
        std::int32_t pulsePhase, first, second;
    };
    const Case cases[] = {
        {NOscillator::Saw, 0xFFFFFFFFu, 1, 0, 32767, -32768}, // wraps
        {NOscillator::Sine, 0, 0, 0, 262143 >> 3, 262143 >> 3}, // the cosine of the phase
        {NOscillator::Pulse, 1073725439u, 1, 16384, -32767, 32767},
        {NOscillator::Pulse, low - 1, 1, 49152, -32767, 32767},
        {7, 0, 1u << 26, 0, 0, 0}, // no such shape: silence
    };
    for (const Case& c : cases) {
        NOscillator osc;
        osc.waveform = c.waveform;
        osc.phase = c.phase;
        osc.increment = c.increment;
        osc.pulsePhase = c.pulsePhase;
        std::array<std::int32_t, ntime::BlockFrames> b;
        osc.render(b.data());
        EXPECT_EQ((std::array{b[0], b[1]}), (std::array{c.first, c.second})) << c.waveform << " " << c.phase;
        // The width's sweep moves on by a block only for the pulse.
        EXPECT_EQ(osc.pulsePhase, c.pulsePhase + (c.waveform == NOscillator::Pulse ? 60 : 0));
    }
}

} // namespace
