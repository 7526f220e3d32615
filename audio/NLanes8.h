#pragma once

#include <cstdint>

// Eight 32-bit lanes, for the loops that run independent recurrences (filters, combs) as the lanes
// of one vector but keep their values a block per lane.
namespace lanes8 {

// The plain paths' vectors: unsigned lanes wrap like wrap32; shifts go on the signed ones, as in
// scalar sound code.
typedef std::uint32_t Wrapping __attribute__((vector_size(32)));
typedef std::int32_t Signed __attribute__((vector_size(32)));

// Whether this processor runs the AVX2 paths.
inline bool hasAvx2()
{
#if defined(__GNUC__) && defined(__x86_64__)
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

} // namespace lanes8

// Eight rows of eight 32-bit values into eight columns, in AVX2 registers: pairs of values, then
// pairs of pairs within each 128-bit half, then the halves.
#if defined(__GNUC__) && defined(__x86_64__)
#define NLANES8_AVX2 1
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

namespace lanes8 {

__attribute__((target("avx2"), always_inline)) inline __m256i load(const std::int32_t* p)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

__attribute__((target("avx2"), always_inline)) inline void store(std::int32_t* p, __m256i v)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

} // namespace lanes8
#endif
