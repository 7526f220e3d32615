#include "audio/NReverb.h"

#include "audio/NCombLanes.h"
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
// comb's block of delayed values can be read out first and its block of new values written over
// them, and only the loop filter in between is a recurrence. That runs with the combs as the lanes
// of one vector, in place on the lines; a comb whose block runs over the end of its line goes
// through a copy.
void NReverb::processBlock(std::int32_t* io)
{
    alignas(32) std::int32_t wrapped[Lanes][ntime::BlockFrames];
    std::int32_t* rows[Lanes];
    for (int k = 0; k < Combs; ++k) {
        const int first = combLength[k] - position[k];
        rows[k] = line[k] + position[k];
        if (first < ntime::BlockFrames) {
            std::memcpy(wrapped[k], rows[k], sizeof(std::int32_t) * first);
            std::memcpy(wrapped[k] + first, line[k], sizeof(std::int32_t) * (ntime::BlockFrames - first));
            rows[k] = wrapped[k];
        }
    }
    for (int k = Combs; k < Lanes; ++k) {
        std::memset(wrapped[k], 0, sizeof(wrapped[k])); // lanes past the combs hear silence
        rows[k] = wrapped[k];
    }
    NCombLanes::run(rows, lowpass, damping, gain, io);
    for (int k = 0; k < Combs; ++k)
        advance(k, rows[k]);
}

// Past one block of comb k, whose new values are in row: copied back if they went through a copy.
void NReverb::advance(int k, const std::int32_t* row)
{
    const int first = combLength[k] - position[k];
    if (first > ntime::BlockFrames) {
        position[k] += ntime::BlockFrames;
        return;
    }
    if (row != line[k] + position[k]) {
        std::memcpy(line[k] + position[k], row, sizeof(std::int32_t) * first);
        std::memcpy(line[k], row + first, sizeof(std::int32_t) * (ntime::BlockFrames - first));
    }
    position[k] = ntime::BlockFrames - first;
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
