#include "audio/NCombLanes.h"

#include "audio/NTranspose8.h"
#include "audio/NVectorClones.h"
#include "engine/NWrap32.h"

#include <cstring>

#if defined(__GNUC__) && defined(__x86_64__)
#define NCOMBLANES_X86 1
#endif

void NCombLanes::run(const Rows& rows, std::int32_t (&lowpass)[Lanes], std::int32_t damping,
                     const std::int32_t (&gain)[Lanes], std::int32_t* io)
{
    if (hasAvx2())
        runAvx2(rows, lowpass, damping, gain, io);
    else
        runPlain(rows, lowpass, damping, gain, io);
}

void NCombLanes::runPlain(const Rows& rows, std::int32_t (&lowpass)[Lanes], std::int32_t damping,
                          const std::int32_t (&gain)[Lanes], std::int32_t* io)
{
    ByFrame frames;
    for (int k = 0; k < Lanes; ++k)
        for (int i = 0; i < ntime::BlockFrames; ++i)
            frames[i][k] = rows[k][i];
    loop(frames, lowpass, damping, gain, io);
    for (int i = 0; i < ntime::BlockFrames; ++i) {
        io[i] = 0;
        for (int k = 0; k < Lanes; ++k) {
            io[i] = wrap32::add(io[i], rows[k][i]);
            rows[k][i] = frames[i][k];
        }
    }
}

// Unsigned lanes wrap like wrap32; the shifts are on signed lanes, as in scalar sound code.
NVECTOR_CLONES
void NCombLanes::loop(ByFrame& frames, std::int32_t (&lowpass)[Lanes], std::int32_t damping,
                      const std::int32_t (&gain)[Lanes], const std::int32_t* x)
{
    typedef std::uint32_t Wrapping __attribute__((vector_size(Lanes * 4)));
    typedef std::int32_t Signed __attribute__((vector_size(Lanes * 4)));
    Wrapping lp;
    Wrapping g;
    std::memcpy(&lp, lowpass, sizeof(lp));
    std::memcpy(&g, gain, sizeof(g));
    const std::uint32_t d = static_cast<std::uint32_t>(damping);
    for (int i = 0; i < ntime::BlockFrames; ++i) {
        Wrapping y;
        std::memcpy(&y, frames[i], sizeof(y));
        lp += reinterpret_cast<Wrapping>(reinterpret_cast<Signed>((y - lp) * d) >> 14);
        const Wrapping fed =
            reinterpret_cast<Wrapping>(reinterpret_cast<Signed>(lp * g) >> 14) + static_cast<std::uint32_t>(x[i]);
        std::memcpy(frames[i], &fed, sizeof(fed));
    }
    std::memcpy(lowpass, &lp, sizeof(lp));
}

#ifdef NCOMBLANES_X86

bool NCombLanes::hasAvx2()
{
    return __builtin_cpu_supports("avx2");
}

// Eight frames at a time: the eight lanes' rows are turned into frames in registers, run through
// the loop, and turned back.
// The sum of the delayed values is taken from the rows before they turn into frames.
__attribute__((target("avx2"))) void NCombLanes::runAvx2(const Rows& rows, std::int32_t (&lowpass)[Lanes],
                                                         std::int32_t damping, const std::int32_t (&gain)[Lanes],
                                                         std::int32_t* io)
{
    __m256i lp = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(lowpass));
    const __m256i g = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(gain));
    const __m256i d = _mm256_set1_epi32(damping);
    for (int b = 0; b < ntime::BlockFrames; b += Lanes) {
        __m256i r[Lanes];
        __m256i sum = _mm256_setzero_si256();
        for (int k = 0; k < Lanes; ++k) {
            r[k] = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k] + b));
            sum = _mm256_add_epi32(sum, r[k]);
        }
        transpose8(r);
        for (int j = 0; j < Lanes; ++j) {
            lp = _mm256_add_epi32(lp, _mm256_srai_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(r[j], lp), d), 14));
            r[j] = _mm256_add_epi32(_mm256_srai_epi32(_mm256_mullo_epi32(lp, g), 14), _mm256_set1_epi32(io[b + j]));
        }
        transpose8(r);
        for (int k = 0; k < Lanes; ++k)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(rows[k] + b), r[k]);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(io + b), sum);
    }
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(lowpass), lp);
}

#else

bool NCombLanes::hasAvx2()
{
    return false;
}

void NCombLanes::runAvx2(const Rows& rows, std::int32_t (&lowpass)[Lanes], std::int32_t damping,
                         const std::int32_t (&gain)[Lanes], std::int32_t* io)
{
    runPlain(rows, lowpass, damping, gain, io);
}

#endif
