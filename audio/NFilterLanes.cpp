#include "audio/NFilterLanes.h"

#include "audio/NFilter.h"
#include "audio/NLanes8.h"
#include "audio/NVectorClones.h"

#include <cstring>

NFilterLanes::NFilterLanes()
{
    for (int k = 0; k < Lanes; ++k) {
        in[k] = silence;
        out[k] = silence;
    }
}

void NFilterLanes::add(NFilter& filter, const std::int32_t* input, std::int32_t* output, bool highpass)
{
    if (count == Lanes)
        run();
    filters[count] = &filter;
    in[count] = input;
    out[count] = output;
    state.band[count] = filter.band;
    state.level[count] = filter.level;
    state.coefficient[count] = NFilter::frequencyCoefficient(filter.cutoff);
    state.keep[count] = filter.resonance >> 8;
    state.highpass[count] = highpass ? -1 : 0;
    ++count;
}

void NFilterLanes::run()
{
    if (count == 0)
        return;
    if (count == 1) {
        runAlone();
        return;
    }
    if (hasAvx2())
        runAvx2(in, out, state);
    else
        runPlain(in, out, state);
    for (int k = 0; k < count; ++k) {
        filters[k]->band = state.band[k];
        filters[k]->level = state.level[k];
        in[k] = silence;
        out[k] = silence;
    }
    state = State{};
    count = 0;
}

// One filter (a machine rendered by itself) runs faster as it is than through the vector's lanes.
void NFilterLanes::runAlone()
{
    if (out[0] != in[0])
        std::memcpy(out[0], in[0], sizeof(std::int32_t) * ntime::BlockFrames);
    filters[0]->process(out[0], state.highpass[0] != 0);
    in[0] = silence;
    out[0] = silence;
    state = State{};
    count = 0;
}

bool NFilterLanes::hasAvx2()
{
    return lanes8::hasAvx2();
}

void NFilterLanes::runPlain(const InRows& in, const OutRows& out, State& state)
{
    ByFrame frames;
    for (int k = 0; k < Lanes; ++k)
        for (int i = 0; i < ntime::BlockFrames; ++i)
            frames[i][k] = in[k][i];
    loop(frames, state);
    for (int k = 0; k < Lanes; ++k)
        for (int i = 0; i < ntime::BlockFrames; ++i)
            out[k][i] = frames[i][k];
}

NVECTOR_CLONES
void NFilterLanes::loop(ByFrame& frames, State& state)
{
    using lanes8::Signed;
    using lanes8::Wrapping;
    Wrapping b;
    Wrapping l;
    Wrapping f;
    Wrapping keep;
    Wrapping highpass;
    std::memcpy(&b, state.band, sizeof(b));
    std::memcpy(&l, state.level, sizeof(l));
    std::memcpy(&f, state.coefficient, sizeof(f));
    std::memcpy(&keep, state.keep, sizeof(keep));
    std::memcpy(&highpass, state.highpass, sizeof(highpass));
    for (int i = 0; i < ntime::BlockFrames; ++i) {
        Wrapping x;
        std::memcpy(&x, frames[i], sizeof(x));
        b += reinterpret_cast<Wrapping>(reinterpret_cast<Signed>((x - l) * f) >> 12);
        l += b;
        const Wrapping y = (highpass & (x - l)) | (~highpass & l);
        std::memcpy(frames[i], &y, sizeof(y));
        b = reinterpret_cast<Wrapping>(reinterpret_cast<Signed>(b * keep) >> 8);
    }
    std::memcpy(state.band, &b, sizeof(b));
    std::memcpy(state.level, &l, sizeof(l));
}

#ifdef NLANES8_AVX2

// Eight frames at a time: the eight lanes' rows are turned into frames in registers, run through
// the recurrence, and turned back.
__attribute__((target("avx2"))) void NFilterLanes::runAvx2(const InRows& in, const OutRows& out, State& state)
{
    using lanes8::load;
    using lanes8::store;
    __m256i b = load(state.band);
    __m256i l = load(state.level);
    const __m256i f = load(state.coefficient);
    const __m256i keep = load(state.keep);
    const __m256i highpass = load(state.highpass);
    for (int c = 0; c < ntime::BlockFrames; c += Lanes) {
        __m256i r[Lanes];
        for (int k = 0; k < Lanes; ++k)
            r[k] = load(in[k] + c);
        transpose8(r);
        for (int j = 0; j < Lanes; ++j) {
            const __m256i x = r[j];
            b = _mm256_add_epi32(b, _mm256_srai_epi32(_mm256_mullo_epi32(_mm256_sub_epi32(x, l), f), 12));
            l = _mm256_add_epi32(l, b);
            r[j] = _mm256_blendv_epi8(l, _mm256_sub_epi32(x, l), highpass);
            b = _mm256_srai_epi32(_mm256_mullo_epi32(b, keep), 8);
        }
        transpose8(r);
        for (int k = 0; k < Lanes; ++k)
            store(out[k] + c, r[k]);
    }
    store(state.band, b);
    store(state.level, l);
}

#else

void NFilterLanes::runAvx2(const InRows& in, const OutRows& out, State& state)
{
    runPlain(in, out, state);
}

#endif
