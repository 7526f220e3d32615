#include "audio/NEnvelope.h"
#include "engine/NTime.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

TEST(NEnvelope, TriggerAdvanceAndApplyGiveTheseLevels)
{
    struct Trigger {
        std::int32_t level, attackFrames, peak;
        std::int32_t levelAfter, stage, rate;
    };
    const Trigger triggers[] = {
        {900000, 100, 500000, 500000, NEnvelope::Decay, -220}, // above the new peak: drops to it
        {0, 5000, 1500, 0, NEnvelope::Attack, 1},              // 1500 / 5000 is 0, yet an attack moves
    };
    for (const Trigger& t : triggers) {
        NEnvelope e;
        e.reset();
        e.decayStep = 220; // decayFrames 0 keeps it
        e.level = t.level;
        e.attackFrames = t.attackFrames;
        e.trigger(t.peak, 0);
        EXPECT_EQ((std::array{e.level, e.stage, e.rate, e.decayStep}), (std::array{t.levelAfter, t.stage, t.rate, 220}))
            << t.level << " to " << t.peak;
    }

    // Advancing: the attack stops at the peak, the decay answers before the clamp at 0.
    NEnvelope e;
    e.reset();
    e.trigger(1 << 20, 44100);
    std::vector<std::int32_t> answers;
    for (int block = 0; block < 5; ++block)
        answers.push_back(e.advance());
    EXPECT_EQ(answers, (std::vector<std::int32_t>{335520, 671040, 1006560, 1 << 20, (1 << 20) - 23 * 32}));
    e.level = 1000;
    e.rate = -220;
    EXPECT_EQ((std::array{e.advance(), e.level}), (std::array{1000 - 220 * 32, 0}));

    // Applying ramps the gain within the block, held between 0 and the peak.
    std::array<std::int32_t, ntime::BlockFrames> b;
    b.fill(30000);
    e.level = 1 << 19;
    e.rate = -(1 << 15); // reaches 0 halfway through
    e.apply(b.data());
    EXPECT_EQ((std::array{b[0], b[1], b[16]}), (std::array{15000, 14062, 0}));
    e.level = (1 << 20) - 10;
    e.rate = 1000;
    b.fill(-1024);
    e.apply(b.data());
    EXPECT_EQ((std::array{b[0], b[1]}), (std::array{-1023, -1024}));
}

} // namespace
