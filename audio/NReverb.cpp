#include "audio/NReverb.h"

#include "audio/NCombLanes.h"
#include "audio/NVectorClones.h"
#include "engine/NWrap32.h"
#include "foundation/MemoryTracker.h"

#include <algorithm>
#include <cmath>
#include <cstring>

NReverb::NReverb(const std::int16_t (&lengths)[Combs], double decay, int dampingValue)
{
    for (int k = 0; k < Combs; ++k) {
        combLength[k] = lengths[k] > 0 ? lengths[k] : 1; // a comb needs at least one frame
        total += combLength[k];
    }
    shortest = *std::min_element(combLength, combLength + Combs);
    KESO_OWNER("NReverb::NReverb");
    buffer = new std::int32_t[total];
    std::int32_t* start = buffer;
    for (int k = 0; k < Combs; ++k) {
        line[k] = start;
        start += combLength[k];
    }
    clear();
    damping = dampingValue;
    computeGains(decay);
}

NReverb::~NReverb()
{
    KESO_OWNER("NReverb::~NReverb");
    delete[] buffer;
}

void NReverb::computeGains(double decay)
{
    // A loop filter coefficient above 1.0 boosts the loop; the factor takes that back out.
    double factor = damping >= 16384 ? static_cast<double>(32768 - damping) / damping : 1.0;
    for (int k = Combs; k < Lanes; ++k)
        gain[k] = 0;
    for (int k = 0; k < Combs; ++k)
        gain[k] = static_cast<std::int32_t>(16384.0 * std::pow(2.0, -combLength[k] / decay) * factor);
}

void NReverb::clear()
{
    std::memset(buffer, 0, sizeof(std::int32_t) * static_cast<size_t>(total));
    for (int k = 0; k < Lanes; ++k)
        lowpass[k] = 0;
    for (int k = 0; k < Combs; ++k)
        position[k] = 0;
}

void NReverb::process(std::int32_t* io)
{
    if (shortest < ntime::BlockFrames)
        processFrames(io);
    else
        processBlock(io);
}

// Every comb is at least a block long, so nothing this block writes is read again within it: a
// comb's block of delayed values can be read out first and its block of new values written last,
// and only the loop filter in between is a recurrence. That runs with the combs as the lanes of one
// vector.
void NReverb::processBlock(std::int32_t* io)
{
    alignas(32) NCombLanes::Block byComb;
    std::int32_t out[ntime::BlockFrames];
    readDelayed(byComb);
    sumCombs(byComb, out);
    NCombLanes::run(byComb, lowpass, damping, gain, io);
    writeFedBack(byComb);
    std::memcpy(io, out, sizeof(out));
}

void NReverb::readDelayed(NCombLanes::Block& byComb) const
{
    for (int k = 0; k < Combs; ++k) {
        // The block may run over the end of the line once: the rest comes from its start.
        const int first = combLength[k] - position[k];
        if (first >= ntime::BlockFrames) {
            std::memcpy(byComb[k], line[k] + position[k], sizeof(byComb[k]));
            continue;
        }
        std::memcpy(byComb[k], line[k] + position[k], sizeof(std::int32_t) * first);
        std::memcpy(byComb[k] + first, line[k], sizeof(std::int32_t) * (ntime::BlockFrames - first));
    }
    std::memset(byComb[Combs], 0, sizeof(byComb[0]) * (Lanes - Combs));
}

void NReverb::writeFedBack(const NCombLanes::Block& fed)
{
    for (int k = 0; k < Combs; ++k) {
        const int first = combLength[k] - position[k];
        if (first > ntime::BlockFrames) {
            std::memcpy(line[k] + position[k], fed[k], sizeof(fed[k]));
            position[k] += ntime::BlockFrames;
            continue;
        }
        std::memcpy(line[k] + position[k], fed[k], sizeof(std::int32_t) * first);
        std::memcpy(line[k], fed[k] + first, sizeof(std::int32_t) * (ntime::BlockFrames - first));
        position[k] = ntime::BlockFrames - first;
    }
}

NVECTOR_CLONES
void NReverb::sumCombs(const NCombLanes::Block& byComb, std::int32_t* out)
{
    for (int i = 0; i < ntime::BlockFrames; ++i) {
        std::int32_t acc = 0;
        for (int k = 0; k < Combs; ++k)
            acc = wrap32::add(acc, byComb[k][i]);
        out[i] = acc;
    }
}

// Combs shorter than a block read back what the same block wrote: frame after frame, in runs that
// end where the first line wraps.
void NReverb::processFrames(std::int32_t* io)
{
    std::int32_t lp[Combs];
    std::int32_t* cell[Combs];
    for (int k = 0; k < Combs; ++k) {
        lp[k] = lowpass[k];
        cell[k] = line[k] + position[k];
    }
    const std::int32_t d = damping;
    std::int32_t out[ntime::BlockFrames];
    for (int n = 0; n < ntime::BlockFrames;) {
        int run = ntime::BlockFrames - n;
        for (int k = 0; k < Combs; ++k)
            run = std::min(run, combLength[k] - position[k]);
        for (int i = 0; i < run; ++i) {
            const std::int32_t x = io[n + i];
            std::int32_t acc = 0;
            for (int k = 0; k < Combs; ++k) {
                const std::int32_t y = cell[k][i];
                acc = wrap32::add(acc, y);
                lp[k] = wrap32::add(lp[k], wrap32::mul(wrap32::sub(y, lp[k]), d) >> 14);
                cell[k][i] = wrap32::add(wrap32::mul(lp[k], gain[k]) >> 14, x);
            }
            out[n + i] = acc;
        }
        n += run;
        for (int k = 0; k < Combs; ++k) {
            position[k] += run;
            if (position[k] >= combLength[k])
                position[k] = 0;
            cell[k] = line[k] + position[k];
        }
    }
    for (int k = 0; k < Combs; ++k)
        lowpass[k] = lp[k];
    std::memcpy(io, out, sizeof(out));
}
