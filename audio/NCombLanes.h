#pragma once

#include "engine/NTime.h"

#include <cstdint>

// The loops of a reverb's combs side by side, one comb per lane of a vector, over one block: each
// lane's delayed value through a one-pole lowpass, scaled by the lane's gain, plus the input, is
// what goes back into its line. Two reverbs' banks of combs can run together, so that their
// recurrences overlap. AVX2 where the processor has it, plain code elsewhere; both give the same
// values.
class NCombLanes {
public:
    static constexpr int Lanes = 8;

    // One reverb's combs over one block.
    struct Bank {
        std::int32_t* rows[Lanes]; // each lane's block of its line, in place: delayed values in, fed back out
        std::int32_t* lowpass;     // each lane's filter state, carried from block to block
        const std::int32_t* gain;  // each lane's, in 14-bit fixed point
        std::int32_t damping;      // 14-bit fixed point
        std::int32_t* io;          // the input in, the sum of all lanes' delayed values out
    };

    // count: 1 or 2 banks.
    static void run(Bank* banks, int count);
    static void runPlain(Bank& bank);
    static void runAvx2(Bank* banks, int count); // only on processors with AVX2
    static bool hasAvx2();

private:
    using ByFrame = std::int32_t[ntime::BlockFrames][Lanes];
    static void loop(ByFrame& frames, Bank& bank);
};
