#pragma once

#include "engine/NTime.h"

#include <cstdint>

// The loops of a reverb's combs side by side, one comb per lane of a vector, over one block: each
// lane's delayed value through a one-pole lowpass, scaled by the lane's gain, plus the input, is
// what goes back into its line. AVX2 where the processor has it, plain code elsewhere; both give
// the same values.
class NCombLanes {
public:
    static constexpr int Lanes = 8;
    using Block = std::int32_t[Lanes][ntime::BlockFrames]; // a row per lane

    // lines: each lane's delayed values in, the values to feed back out. lowpass: each lane's
    // filter state, carried from block to block. damping and gain in 14-bit fixed point.
    static void run(Block& lines, std::int32_t (&lowpass)[Lanes], std::int32_t damping,
                    const std::int32_t (&gain)[Lanes], const std::int32_t* x);
    static void runPlain(Block& lines, std::int32_t (&lowpass)[Lanes], std::int32_t damping,
                         const std::int32_t (&gain)[Lanes], const std::int32_t* x);
    // Only on processors with AVX2.
    static void runAvx2(Block& lines, std::int32_t (&lowpass)[Lanes], std::int32_t damping,
                        const std::int32_t (&gain)[Lanes], const std::int32_t* x);
    static bool hasAvx2();

private:
    using ByFrame = std::int32_t[ntime::BlockFrames][Lanes];
    static void loop(ByFrame& frames, std::int32_t (&lowpass)[Lanes], std::int32_t damping,
                     const std::int32_t (&gain)[Lanes], const std::int32_t* x);
};
