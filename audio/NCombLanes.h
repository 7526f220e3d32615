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
    // Each lane's block of its line, in place: the delayed values in, the values to feed back out.
    using Rows = std::int32_t* const[Lanes];

    // io: the input in, the sum of all lanes' delayed values out. lowpass: each lane's filter
    // state, carried from block to block. damping and gain in 14-bit fixed point.
    static void run(const Rows& rows, std::int32_t (&lowpass)[Lanes], std::int32_t damping,
                    const std::int32_t (&gain)[Lanes], std::int32_t* io);
    static void runPlain(const Rows& rows, std::int32_t (&lowpass)[Lanes], std::int32_t damping,
                         const std::int32_t (&gain)[Lanes], std::int32_t* io);
    // Only on processors with AVX2.
    static void runAvx2(const Rows& rows, std::int32_t (&lowpass)[Lanes], std::int32_t damping,
                        const std::int32_t (&gain)[Lanes], std::int32_t* io);
    static bool hasAvx2();

private:
    using ByFrame = std::int32_t[ntime::BlockFrames][Lanes];
    static void loop(ByFrame& frames, std::int32_t (&lowpass)[Lanes], std::int32_t damping,
                     const std::int32_t (&gain)[Lanes], const std::int32_t* x);
};
