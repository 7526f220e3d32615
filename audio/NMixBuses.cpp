#include "audio/NMixBuses.h"

#include "audio/NVectorClones.h"
#include "engine/NWrap32.h"

#include <algorithm>

namespace {

inline std::int32_t scaled(std::int32_t x, std::int32_t gain)
{
    return wrap32::mul(x, gain) >> 8;
}

// Master gain 255/1024, then 16-bit saturation.
inline std::int16_t sample(std::int32_t sum)
{
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(wrap32::mul(sum, 255) >> 10, -32768, 32767));
}

} // namespace

NVECTOR_CLONES
void NMixBuses::addMachine(Buses& buses, const std::int32_t* __restrict x, const Gains& gains)
{
    const Gains g = gains;
    for (int k = 0; k < Frames; ++k) {
        buses.left[k] = wrap32::add(buses.left[k], scaled(x[k], g.left));
        buses.right[k] = wrap32::add(buses.right[k], scaled(x[k], g.right));
        buses.delay[k] = wrap32::add(buses.delay[k], scaled(x[k], g.delay));
        buses.reverb[k] = wrap32::add(buses.reverb[k], scaled(x[k], g.reverb));
    }
}

NVECTOR_CLONES
void NMixBuses::addReturn(Buses& buses, const std::int32_t* __restrict fromLeft, std::int32_t gainLeft,
                          const std::int32_t* __restrict fromRight, std::int32_t gainRight)
{
    for (int k = 0; k < Frames; ++k) {
        buses.left[k] = wrap32::add(buses.left[k], scaled(fromLeft[k], gainLeft));
        buses.right[k] = wrap32::add(buses.right[k], scaled(fromRight[k], gainRight));
    }
}

NVECTOR_CLONES
void NMixBuses::distort(std::int32_t* block, std::int32_t drive, std::int32_t fold)
{
    const std::int32_t gain = wrap32::add(drive, 127);
    for (int k = 0; k < Frames; ++k) {
        const std::int32_t y = wrap32::mul(block[k], gain) >> 6;
        const std::int32_t above = wrap32::sub(32768, wrap32::mul(wrap32::sub(y, 32768), fold) >> 8);
        const std::int32_t below = wrap32::sub(-32768, wrap32::mul(wrap32::add(y, 32768), fold) >> 8);
        // Both folds computed and one picked: branch-free, so the loop runs as vectors.
        block[k] = (y >= 32768 ? above : (y <= -32768 ? below : y)) >> 1;
    }
}

NVECTOR_CLONES
void NMixBuses::toSamples(const Buses& buses, std::int16_t* __restrict out)
{
    for (int k = 0; k < Frames; ++k) {
        out[2 * k] = sample(buses.left[k]);
        out[2 * k + 1] = sample(buses.right[k]);
    }
}
