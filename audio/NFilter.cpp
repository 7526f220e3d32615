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
