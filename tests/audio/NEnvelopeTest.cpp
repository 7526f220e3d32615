#include "audio/NEnvelope.h"
#include "engine/NWrap32.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <random>

namespace {

// Random samples through apply(), against the level as it is defined: one step per frame, clamped
// to 0 .. peak after each.
void expectAppliesLikeFrameByFrame(std::int32_t level, std::int32_t rate, std::int32_t peak, std::mt19937& random)
{
    NEnvelope e;
    e.level = level;
    e.rate = rate;
    e.peak = peak;
    std::int32_t io[ntime::BlockFrames];
    for (std::int32_t& v : io)
        v = static_cast<std::int32_t>(random());
    std::int32_t expected[ntime::BlockFrames];
    std::copy_n(io, ntime::BlockFrames, expected);
    e.apply(io);
    for (int i = 0; i < ntime::BlockFrames; ++i) {
        expected[i] = wrap32::mul(level >> 10, expected[i]) >> 10;
        level = std::clamp(wrap32::add(level, rate), 0, std::max(peak, 0));
        ASSERT_EQ(io[i], expected[i]) << "level " << e.level << " rate " << rate << " peak " << peak << " frame " << i;
    }
}

TEST(NEnvelope, ApplyFollowsTheLevelFrameByFrameForAnyState)
{
    std::mt19937 random(5);
    // Sound-sized contours: attacks that reach the peak within the block, decays that reach 0.
    for (std::int32_t level : {0, 1, 1000, NEnvelope::FullScale - 5, NEnvelope::FullScale})
        for (std::int32_t rate : {0, 1, -1, 220, -220, 40000, -40000, NEnvelope::FullScale})
            expectAppliesLikeFrameByFrame(level, rate, NEnvelope::FullScale, random);
    // Hostile states: levels outside 0 .. peak, negative peaks, steps that wrap.
    const std::int32_t edges[] = {INT32_MIN, INT32_MIN + 1, -1, 0, 1, INT32_MAX / 31, INT32_MAX - 1, INT32_MAX};
    for (std::int32_t level : edges)
        for (std::int32_t rate : edges)
            for (std::int32_t peak : edges)
                expectAppliesLikeFrameByFrame(level, rate, peak, random);
    for (int round = 0; round < 2000; ++round)
        expectAppliesLikeFrameByFrame(static_cast<std::int32_t>(random()),
                                      static_cast<std::int32_t>(random()) >> (random() % 32),
                                      static_cast<std::int32_t>(random()), random);
}

} // namespace
