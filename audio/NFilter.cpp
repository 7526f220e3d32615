#include "audio/NFilter.h"

#include "engine/NTables.h"
#include "engine/NWrap32.h"

void NFilter::clear()
{
    *this = NFilter();
}

std::int32_t NFilter::frequencyCoefficient(std::int32_t c)
{
    c = c < MinCutoff ? MinCutoff : (c > MaxCutoff ? MaxCutoff : c);
    // 10922 / 65536 is about a sixth: the cutoff spans up to a sixth of a turn of the table.
    std::int32_t angle = (c * 10922) >> 16;
    // 4096 * 2 * (1 - cos): the cosine is the sine a quarter period on.
    return (131072 - (NTables::sine(angle + NTables::SineSize / 4) >> 1)) >> 4;
}

void NFilter::process(std::int32_t* io, bool highpass)
{
    const std::int32_t f = frequencyCoefficient(cutoff);
    const std::int32_t keep = resonance >> 8;
    std::int32_t b = band;
    std::int32_t l = level;
    for (int i = 0; i < ntime::BlockFrames; ++i) {
        std::int32_t x = io[i];
        b = wrap32::add(b, wrap32::mul(wrap32::sub(x, l), f) >> 12);
        l = wrap32::add(l, b);
        io[i] = highpass ? wrap32::sub(x, l) : l;
        b = wrap32::mul(b, keep) >> 8;
    }
    band = b;
    level = l;
}

void NFilter::processSum(NFilter& a, NFilter& b, std::int32_t* io, bool highpassB)
{
    const std::int32_t fa = frequencyCoefficient(a.cutoff);
    const std::int32_t fb = frequencyCoefficient(b.cutoff);
    const std::int32_t keepA = a.resonance >> 8;
    const std::int32_t keepB = b.resonance >> 8;
    std::int32_t ba = a.band;
    std::int32_t la = a.level;
    std::int32_t bb = b.band;
    std::int32_t lb = b.level;
    for (int i = 0; i < ntime::BlockFrames; ++i) {
        const std::int32_t x = io[i];
        ba = wrap32::add(ba, wrap32::mul(wrap32::sub(x, la), fa) >> 12);
        bb = wrap32::add(bb, wrap32::mul(wrap32::sub(x, lb), fb) >> 12);
        la = wrap32::add(la, ba);
        lb = wrap32::add(lb, bb);
        io[i] = wrap32::add(la, highpassB ? wrap32::sub(x, lb) : lb);
        ba = wrap32::mul(ba, keepA) >> 8;
        bb = wrap32::mul(bb, keepB) >> 8;
    }
    a.band = ba;
    a.level = la;
    b.band = bb;
    b.level = lb;
}
