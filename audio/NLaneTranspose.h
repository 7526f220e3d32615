#pragma once

#include <cstdint>

// Turns 8 x 8 blocks of 32-bit values between rows and columns, so that sound units can keep
// independent channels (a reverb's combs) side by side as the lanes of one vector. AVX2 where the
// processor has it, plain code elsewhere; both give the same values.
class NLaneTranspose {
public:
    static constexpr int Size = 8;

    // out[c * outStride + r] = in[r * inStride + c] for r, c in 0 .. 7.
    static void block(const std::int32_t* in, int inStride, std::int32_t* out, int outStride);
    static void blockPlain(const std::int32_t* in, int inStride, std::int32_t* out, int outStride);
    // Only on processors with AVX2.
    static void blockAvx2(const std::int32_t* in, int inStride, std::int32_t* out, int outStride);
    static bool hasAvx2();
};
