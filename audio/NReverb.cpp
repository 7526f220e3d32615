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

void NReverb::processPair(NReverb& left, std::int32_t* leftIo, NReverb& right, std::int32_t* rightIo)
{
    if (left.shortest < ntime::BlockFrames || right.shortest < ntime::BlockFrames) {
        left.process(leftIo);
        right.process(rightIo);
        return;
    }
    Wrapped leftWrapped;
    Wrapped rightWrapped;
    NCombLanes::Bank banks[2] = {left.bank(leftIo, leftWrapped), right.bank(rightIo, rightWrapped)};
    NCombLanes::run(banks, 2);
    left.advance(banks[0]);
    right.advance(banks[1]);
}

void NReverb::processBlock(std::int32_t* io)
{
    Wrapped wrapped;
    NCombLanes::Bank one = bank(io, wrapped);
    NCombLanes::run(&one, 1);
    advance(one);
}

// Every comb is at least a block long, so nothing this block writes is read again within it: a
// comb's block of delayed values can be read out first and its block of new values written over
// them, and only the loop filter in between is a recurrence. That runs with the combs as the lanes
// of one vector, in place on the lines; a comb whose block runs over the end of its line goes
// through a copy in wrapped.
NCombLanes::Bank NReverb::bank(std::int32_t* io, Wrapped& wrapped)
{
    NCombLanes::Bank b;
    for (int k = 0; k < Combs; ++k) {
        const int first = combLength[k] - position[k];
        b.rows[k] = line[k] + position[k];
        if (first < ntime::BlockFrames) {
            std::memcpy(wrapped[k], b.rows[k], sizeof(std::int32_t) * first);
            std::memcpy(wrapped[k] + first, line[k], sizeof(std::int32_t) * (ntime::BlockFrames - first));
            b.rows[k] = wrapped[k];
        }
    }
    for (int k = Combs; k < Lanes; ++k) {
        std::memset(wrapped[k], 0, sizeof(wrapped[k])); // lanes past the combs hear silence
        b.rows[k] = wrapped[k];
    }
    b.lowpass = lowpass;
    b.gain = gain;
    b.damping = damping;
    b.io = io;
    return b;
}

// Past the block: the combs' new values copied back where they went through a copy.
void NReverb::advance(const NCombLanes::Bank& done)
{
    for (int k = 0; k < Combs; ++k) {
        const int first = combLength[k] - position[k];
        if (first > ntime::BlockFrames) {
            position[k] += ntime::BlockFrames;
            continue;
        }
        if (done.rows[k] != line[k] + position[k]) {
            std::memcpy(line[k] + position[k], done.rows[k], sizeof(std::int32_t) * first);
            std::memcpy(line[k], done.rows[k] + first, sizeof(std::int32_t) * (ntime::BlockFrames - first));
        }
        position[k] = ntime::BlockFrames - first;
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
