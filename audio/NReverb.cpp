#include "audio/NReverb.h"

#include "engine/NWrap32.h"
#include "foundation/MemoryTracker.h"

#include <cmath>
#include <cstring>

NReverb::NReverb(const std::int16_t (&lengths)[Combs], double decay, int dampingValue)
{
    for (int k = 0; k < Combs; ++k) {
        combLength[k] = lengths[k] > 0 ? lengths[k] : 1; // a comb needs at least one frame
        total += combLength[k];
    }
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
    for (int k = 0; k < Combs; ++k)
        gain[k] = static_cast<std::int32_t>(16384.0 * std::pow(2.0, -combLength[k] / decay) * factor);
}

void NReverb::clear()
{
    std::memset(buffer, 0, sizeof(std::int32_t) * static_cast<size_t>(total));
    for (int k = 0; k < Combs; ++k) {
        lowpass[k] = 0;
        position[k] = 0;
    }
}

void NReverb::process(std::int32_t* io)
{
    std::int32_t out[ntime::BlockFrames];
    for (int n = 0; n < ntime::BlockFrames; ++n) {
        const std::int32_t x = io[n];
        std::int32_t acc = 0;
        for (int k = 0; k < Combs; ++k) {
            std::int32_t& cell = line[k][position[k]];
            const std::int32_t y = cell;
            acc = wrap32::add(acc, y);
            lowpass[k] = wrap32::add(lowpass[k], wrap32::mul(wrap32::sub(y, lowpass[k]), damping) >> 14);
            cell = wrap32::add(wrap32::mul(lowpass[k], gain[k]) >> 14, x);
            if (++position[k] >= combLength[k])
                position[k] = 0;
        }
        out[n] = acc;
    }
    std::memcpy(io, out, sizeof(out));
}
