#include "audio/NEnvelope.h"
#include "engine/NWrap32.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>

namespace {

using Block = std::int32_t[ntime::BlockFrames];

// The level as it is defined: one step per frame, clamped to 0 .. peak after each.
void applyFrameByFrame(const NEnvelope& e, std::int32_t* io)
{
    std::int32_t l = e.level;
    for (int i = 0; i < ntime::BlockFrames; ++i) {
        io[i] = wrap32::mul(l >> 10, io[i]) >> 10;
        l = wrap32::add(l, e.rate);
        if (l > e.peak)
            l = e.peak;
        if (l < 0)
            l = 0;
    }
}

void expectAppliesLikeFrameByFrame(const NEnvelope& e, std::mt19937& random)
{
    Block io;
    Block expected;
    for (int i = 0; i < ntime::BlockFrames; ++i)
        io[i] = expected[i] = static_cast<std::int32_t>(random());
    e.apply(io);
    applyFrameByFrame(e, expected);
    for (int i = 0; i < ntime::BlockFrames; ++i)
        ASSERT_EQ(io[i], expected[i]) << "level " << e.level << " rate " << e.rate << " peak " << e.peak
                                      << " frame " << i;
}

TEST(NEnvelope, ApplyFollowsTheLevelFrameByFrameForAnyState)
{
    std::mt19937 random(5);
    NEnvelope e;
    // Sound-sized contours: attacks that reach the peak within the block, decays that reach 0.
    const std::int32_t levels[] = {0, 1, 1000, NEnvelope::FullScale - 5, NEnvelope::FullScale};
    const std::int32_t rates[] = {0, 1, -1, 220, -220, 40000, -40000, NEnvelope::FullScale};
    for (std::int32_t level : levels)
        for (std::int32_t rate : rates) {
            e.level = level;
            e.rate = rate;
            e.peak = NEnvelope::FullScale;
            expectAppliesLikeFrameByFrame(e, random);
        }
    // Hostile states: levels outside 0 .. peak, negative peaks, steps that wrap.
    const std::int32_t edges[] = {INT32_MIN, INT32_MIN + 1, -1, 0, 1, INT32_MAX / 31, INT32_MAX - 1, INT32_MAX};
    for (std::int32_t level : edges)
        for (std::int32_t rate : edges)
            for (std::int32_t peak : edges) {
                e.level = level;
                e.rate = rate;
                e.peak = peak;
                expectAppliesLikeFrameByFrame(e, random);
            }
    for (int round = 0; round < 2000; ++round) {
        e.level = static_cast<std::int32_t>(random());
        e.rate = static_cast<std::int32_t>(random()) >> (random() % 32);
        e.peak = static_cast<std::int32_t>(random());
        expectAppliesLikeFrameByFrame(e, random);
    }
}

} // namespace
