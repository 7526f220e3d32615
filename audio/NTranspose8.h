#pragma once

// Eight rows of eight 32-bit values into eight columns, in AVX2 registers: pairs of values, then
// pairs of pairs within each 128-bit half, then the halves. For the loops that run independent
// recurrences as the lanes of one vector but keep their values a block per lane.
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>

__attribute__((target("avx2"), always_inline)) inline void transpose8(__m256i (&r)[8])
{
    __m256i t[8];
    for (int i = 0; i < 8; i += 2) {
        t[i] = _mm256_unpacklo_epi32(r[i], r[i + 1]);
        t[i + 1] = _mm256_unpackhi_epi32(r[i], r[i + 1]);
    }
    __m256i u[8];
    for (int i = 0; i < 8; i += 4) {
        u[i] = _mm256_unpacklo_epi64(t[i], t[i + 2]);
        u[i + 1] = _mm256_unpackhi_epi64(t[i], t[i + 2]);
        u[i + 2] = _mm256_unpacklo_epi64(t[i + 1], t[i + 3]);
        u[i + 3] = _mm256_unpackhi_epi64(t[i + 1], t[i + 3]);
    }
    for (int i = 0; i < 4; ++i) {
        r[i] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x20);
        r[i + 4] = _mm256_permute2x128_si256(u[i], u[i + 4], 0x31);
    }
}
#endif
