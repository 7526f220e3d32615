#pragma once

#include "audio/NCombLanes.h"
#include "engine/NTime.h"

#include <cstdint>

// Six parallel feedback comb filters, each with a one-pole lowpass in its loop. The mixer runs two
// with different comb lengths, one per side, which makes the return stereo.
class NReverb {
public:
    static constexpr int Combs = 6;

    // The mixer's two instances.
    static constexpr std::int16_t LeftLengths[Combs] = {1693, 1827, 1965, 2043, 2175, 2357};
    static constexpr double LeftDecay = 6000.0;
    static constexpr int LeftDamping = 16400;
    static constexpr std::int16_t RightLengths[Combs] = {1713, 1787, 2048, 2001, 2276, 2272};
    static constexpr double RightDecay = 6005.0;
    static constexpr int RightDamping = 16200;

    // lengths in frames; decay: frames over which a comb's loop gain halves; damping in 14-bit fixed point.
    NReverb(const std::int16_t (&lengths)[Combs], double decay, int damping);
    NReverb(const NReverb&) = delete;
    NReverb& operator=(const NReverb&) = delete;
    virtual ~NReverb();

    // Replaces the block with the sum of the six combs' delayed values.
    void process(std::int32_t* io);
    // Both reverbs' process over their own blocks, side by side.
    static void processPair(NReverb& left, std::int32_t* leftIo, NReverb& right, std::int32_t* rightIo);
    void clear();

    int getGain(int comb) const { return gain[comb]; }

private:
    // The combs side by side, padded to the width of the widest vector unit.
    static constexpr int Lanes = NCombLanes::Lanes;

    void computeGains(double decay);
    void processBlock(std::int32_t* io);
    void processFrames(std::int32_t* io);
    using Wrapped = std::int32_t[Lanes][ntime::BlockFrames];
    NCombLanes::Bank bank(std::int32_t* io, Wrapped& wrapped);
    void advance(const NCombLanes::Bank& done);

    std::int32_t* buffer = nullptr;
    std::int32_t* line[Combs];
    std::int32_t combLength[Combs];
    std::int32_t lowpass[Lanes];  // the lanes past the combs stay 0
    std::int32_t gain[Lanes];   // 14-bit fixed point; 0 past the combs
    std::int32_t position[Combs];
    std::int32_t damping;       // 14-bit fixed point
    int total = 0;              // frames in buffer
    int shortest = 0;           // frames in the shortest comb
};
