#include "audio/NEnvelope.h"

#include "audio/NVectorClones.h"
#include "engine/NWrap32.h"

#include <algorithm>
#include <climits>

void NEnvelope::reset()
{
    *this = NEnvelope();
}

void NEnvelope::trigger(std::int32_t newPeak, std::int32_t decayFrames)
{
    peak = newPeak;
    if (decayFrames != 0)
        decayStep = wrap32::div(newPeak, decayFrames);
    // An attack needs at least one frame; owners never set less from sound data.
    std::int32_t frames = attackFrames > 0 ? attackFrames : 1;
    std::int32_t rise = wrap32::sub(newPeak, level);
    rate = wrap32::div(rise, frames);
    if (rise < 1000) {
        // Too small a rise to be heard as an attack (or none at all): start decaying at the peak.
        level = newPeak;
        stage = Decay;
        rate = wrap32::sub(0, decayStep);
        return;
    }
    stage = Attack;
    if (rate == 0)
        rate = 1;
}

std::int32_t NEnvelope::advance()
{
    level = wrap32::add(level, wrap32::mul(rate, ntime::BlockFrames));
    if (stage == Attack && level >= peak) {
        stage = Decay;
        rate = wrap32::sub(0, decayStep);
        level = peak;
    }
    std::int32_t answer = level;
    if (level < 0)
        level = 0;
    return answer;
}

void NEnvelope::apply(std::int32_t* io) const
{
    if (movesInStraightLine())
        applyLine(io, level, rate, peak);
    else
        applySteps(io);
}

// From a level within 0 .. peak, a step that cannot wrap makes the level a straight line clamped to
// 0 .. peak: each frame's level follows from its index alone, and the frames are independent.
bool NEnvelope::movesInStraightLine() const
{
    const long long last = static_cast<long long>(level) + static_cast<long long>(rate) * (ntime::BlockFrames - 1);
    return level >= 0 && level <= peak && last >= INT32_MIN && last <= INT32_MAX &&
           static_cast<long long>(peak) + rate <= INT32_MAX;
}

NVECTOR_CLONES
void NEnvelope::applyLine(std::int32_t* io, std::int32_t start, std::int32_t step, std::int32_t top)
{
    for (int i = 0; i < ntime::BlockFrames; ++i) {
        const std::int32_t l = std::clamp(wrap32::add(start, wrap32::mul(i, step)), 0, top);
        io[i] = wrap32::mul(l >> 10, io[i]) >> 10;
    }
}

void NEnvelope::applySteps(std::int32_t* io) const
{
    std::int32_t l = level;
    for (int i = 0; i < ntime::BlockFrames; ++i) {
        io[i] = wrap32::mul(l >> 10, io[i]) >> 10;
        l = wrap32::add(l, rate);
        if (l > peak)
            l = peak;
        if (l < 0)
            l = 0;
    }
}

std::int32_t NEnvelope::curve() const
{
    return wrap32::mul(level >> 6, level >> 6) >> 12;
}
