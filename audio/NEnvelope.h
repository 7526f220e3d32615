#pragma once

#include "engine/NTime.h"

#include <cstdint>

// Linear attack-decay envelope: rises to a peak over attackFrames, then falls by decayStep per frame
// to 0 and stays there. Level 2^20 is gain 1.0. Used as a volume contour and as a modulation source.
class NEnvelope {
public:
    static constexpr std::int32_t FullScale = 1 << 20;
    enum Stage { Attack = 0, Decay = 1 };

    // Back to the state of a new envelope, as the initialisers below give it.
    void reset();
    // Starts a new contour from the current level; a decayFrames of 0 keeps the decay step.
    void trigger(std::int32_t newPeak, std::int32_t decayFrames);
    // Moves on by one block and answers the level before it is clamped at 0.
    std::int32_t advance();
    // Multiplies a block by the level as it runs through the block; level itself does not move.
    void apply(std::int32_t* io) const;
    // Squared contour, 0 .. 65536 for levels 0 .. 2^20.
    std::int32_t curve() const;

    std::int32_t rate = 0;   // change of level per frame
    std::int32_t stage = Attack;
    std::int32_t peak = FullScale;
    std::int32_t attackFrames = 100;
    std::int32_t decayStep = 0; // fall of level per frame during the decay
    std::int32_t level = 0;

private:
    bool movesInStraightLine() const;
    static void applyLine(std::int32_t* io, std::int32_t start, std::int32_t step, std::int32_t top);
    void applySteps(std::int32_t* io) const;
};
