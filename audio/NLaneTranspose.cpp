#include "audio/NLaneTranspose.h"

#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#define NLANES_X86 1
#endif

void NLaneTranspose::block(const std::int32_t* in, int inStride, std::int32_t* out, int outStride)
{
    if (hasAvx2())
        blockAvx2(in, inStride, out, outStride);
    else
        blockPlain(in, inStride, out, outStride);
}

void NLaneTranspose::blockPlain(const std::int32_t* in, int inStride, std::int32_t* out, int outStride)
{
    for (int r = 0; r < Size; ++r)
        for (int c = 0; c < Size; ++c)
            out[c * outStride + r] = in[r * inStride + c];
}

#ifdef NLANES_X86

bool NLaneTranspose::hasAvx2()
{
    return __builtin_cpu_supports("avx2");
}

namespace {

__attribute__((target("avx2"))) __m256i loadRow(const std::int32_t* in, int stride, int r)
{
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(in + r * stride));
}

__attribute__((target("avx2"))) void storeRow(std::int32_t* out, int stride, int r, __m256i v)
{
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + r * stride), v);
}

} // namespace

// Pairs of 32-bit values, then pairs of pairs, within each 128-bit half; then the halves.
__attribute__((target("avx2"))) void NLaneTranspose::blockAvx2(const std::int32_t* in, int inStride,
                                                               std::int32_t* out, int outStride)
{
    __m256i r[Size];
    for (int i = 0; i < Size; ++i)
        r[i] = loadRow(in, inStride, i);
    __m256i t[Size];
    for (int i = 0; i < Size; i += 2) {
        t[i] = _mm256_unpacklo_epi32(r[i], r[i + 1]);
        t[i + 1] = _mm256_unpackhi_epi32(r[i], r[i + 1]);
    }
    __m256i u[Size];
    for (int i = 0; i < Size; i += 4) {
        u[i] = _mm256_unpacklo_epi64(t[i], t[i + 2]);
        u[i + 1] = _mm256_unpackhi_epi64(t[i], t[i + 2]);
        u[i + 2] = _mm256_unpacklo_epi64(t[i + 1], t[i + 3]);
        u[i + 3] = _mm256_unpackhi_epi64(t[i + 1], t[i + 3]);
    }
    for (int i = 0; i < Size / 2; ++i) {
        storeRow(out, outStride, i, _mm256_permute2x128_si256(u[i], u[i + 4], 0x20));
        storeRow(out, outStride, i + 4, _mm256_permute2x128_si256(u[i], u[i + 4], 0x31));
    }
}

#else

bool NLaneTranspose::hasAvx2()
{
    return false;
}

void NLaneTranspose::blockAvx2(const std::int32_t* in, int inStride, std::int32_t* out, int outStride)
{
    blockPlain(in, inStride, out, outStride);
}

#endif
