#include "audio/NCombLanes.h"

#include "audio/NLanes8.h"
#include "audio/NVectorClones.h"
#include "engine/NWrap32.h"

#include <cstring>

bool NCombLanes::hasAvx2()
{
    return lanes8::hasAvx2();
}

void NCombLanes::run(Bank* banks, int count)
{
    if (hasAvx2()) {
        runAvx2(banks, count);
        return;
    }
    for (int n = 0; n < count; ++n)
        runPlain(banks[n]);
}

void NCombLanes::runPlain(Bank& bank)
{
    ByFrame frames;
    for (int k = 0; k < Lanes; ++k)
        for (int i = 0; i < ntime::BlockFrames; ++i)
            frames[i][k] = bank.rows[k][i];
    loop(frames, bank);
    for (int i = 0; i < ntime::BlockFrames; ++i) {
        bank.io[i] = 0;
        for (int k = 0; k < Lanes; ++k) {
            bank.io[i] = wrap32::add(bank.io[i], bank.rows[k][i]);
            bank.rows[k][i] = frames[i][k];
        }
    }
}

NVECTOR_CLONES
void NCombLanes::loop(ByFrame& frames, Bank& bank)
{
    using lanes8::Signed;
    using lanes8::Wrapping;
    Wrapping lp;
    Wrapping g;
    std::memcpy(&lp, bank.lowpass, sizeof(lp));
    std::memcpy(&g, bank.gain, sizeof(g));
    const std::uint32_t d = static_cast<std::uint32_t>(bank.damping);
    const std::int32_t* x = bank.io;
    for (int i = 0; i < ntime::BlockFrames; ++i) {
        Wrapping y;
        std::memcpy(&y, frames[i], sizeof(y));
        lp += reinterpret_cast<Wrapping>(reinterpret_cast<Signed>((y - lp) * d) >> 14);
        const Wrapping fed =
            reinterpret_cast<Wrapping>(reinterpret_cast<Signed>(lp * g) >> 14) + static_cast<std::uint32_t>(x[i]);
        std::memcpy(frames[i], &fed, sizeof(fed));
    }
    std::memcpy(bank.lowpass, &lp, sizeof(lp));
}

#ifdef NLANES8_AVX2

namespace {

// A bank's registers over the block.
struct Lanes8 {
    __m256i lowpass;
    __m256i gain;
    __m256i damping;
};

// Frames c to c + 7 of one bank: the eight lanes' rows are turned into frames in registers, run
// through the loop, and turned back; the sum of the delayed values is taken from the rows first.
__attribute__((target("avx2"), always_inline)) inline void runChunk(NCombLanes::Bank& bank, Lanes8& v, int c)
{
    __m256i r[NCombLanes::Lanes];
    __m256i sum = _mm256_setzero_si256();
    for (int k = 0; k < NCombLanes::Lanes; ++k) {
        r[k] = lanes8::load(bank.rows[k] + c);
        sum = _mm256_add_epi32(sum, r[k]);
    }
    transpose8(r);
    for (int j = 0; j < NCombLanes::Lanes; ++j) {
        const __m256i y = _mm256_srai_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(r[j], v.lowpass), v.damping), 14);
        v.lowpass = _mm256_add_epi32(v.lowpass, y);
        r[j] = _mm256_add_epi32(_mm256_srai_epi32(_mm256_mullo_epi32(v.lowpass, v.gain), 14),
                                _mm256_set1_epi32(bank.io[c + j]));
    }
    transpose8(r);
    for (int k = 0; k < NCombLanes::Lanes; ++k)
        lanes8::store(bank.rows[k] + c, r[k]);
    lanes8::store(bank.io + c, sum);
}

// The banks' chunks alternate, so that the processor overlaps their recurrences.
template <int Count>
__attribute__((target("avx2"), always_inline)) inline void runBanks(NCombLanes::Bank* banks)
{
    Lanes8 v[Count];
    for (int n = 0; n < Count; ++n) {
        v[n].lowpass = lanes8::load(banks[n].lowpass);
        v[n].gain = lanes8::load(banks[n].gain);
        v[n].damping = _mm256_set1_epi32(banks[n].damping);
    }
    for (int c = 0; c < ntime::BlockFrames; c += NCombLanes::Lanes)
        for (int n = 0; n < Count; ++n)
            runChunk(banks[n], v[n], c);
    for (int n = 0; n < Count; ++n)
        lanes8::store(banks[n].lowpass, v[n].lowpass);
}

} // namespace

__attribute__((target("avx2"))) void NCombLanes::runAvx2(Bank* banks, int count)
{
    if (count == 2)
        runBanks<2>(banks);
    else
        runBanks<1>(banks);
}

#else

void NCombLanes::runAvx2(Bank* banks, int count)
{
    for (int n = 0; n < count; ++n)
        runPlain(banks[n]);
}

#endif
