#include "audio/NOscillator.h"

#include "audio/NRandom.h"
#include "audio/NVectorClones.h"
#include "engine/NTables.h"

void NOscillator::reset()
{
    waveform = 0;
    setIncrement(0);
}

void NOscillator::setIncrement(std::uint32_t inc)
{
    increment = inc;
    targetIncrement = 0;
    glideStep = 0;
    gliding = false;
}

void NOscillator::glideTo(std::uint32_t target)
{
    targetIncrement = target;
    if (target == increment) {
        gliding = false;
        glideStep = 0;
        return;
    }
    gliding = true;
    glideStep = static_cast<std::int32_t>(target - increment) >> 6;
}

void NOscillator::render(std::int32_t* out)
{
    renderWave(out);
    advanceGlide();
}

NVECTOR_CLONES
void NOscillator::renderWave(std::int32_t* out)
{
    std::uint32_t p = phase;
    const std::uint32_t inc = increment;
    switch (waveform) {
    case Saw:
        for (int i = 0; i < ntime::BlockFrames; ++i, p += inc)
            out[i] = static_cast<std::int32_t>(p >> 16) - 32768;
        break;
    case Square:
        for (int i = 0; i < ntime::BlockFrames; ++i, p += inc)
            out[i] = p < 0x80000000u ? -32767 : 32767;
        break;
    case Triangle:
        for (int i = 0; i < ntime::BlockFrames; ++i, p += inc) {
            std::int32_t t = static_cast<std::int32_t>(p >> 15);
            if (t > 65535)
                t = 131072 - t;
            out[i] = t - 32768;
        }
        break;
    case Sine:
        // The cosine of the phase; >> 3 brings the table's 2^18 down to about 2^15.
        for (int i = 0; i < ntime::BlockFrames; ++i, p += inc)
            out[i] = NTables::sine(static_cast<int>(p >> 16) + NTables::SineSize / 4) >> 3;
        break;
    case Pulse: {
        // The width follows a slow sine: the threshold swings between about -2^30 and 2^30.
        const std::int32_t threshold = (NTables::sine(pulsePhase) & ~3) * 4096;
        for (int i = 0; i < ntime::BlockFrames; ++i, p += inc)
            out[i] = static_cast<std::int32_t>(p) >= threshold ? 32767 : -32767;
        pulsePhase = static_cast<std::int32_t>(static_cast<std::uint32_t>(pulsePhase) + 60u);
        break;
    }
    case Noise:
        // Noise has no period: the phase stands still.
        for (int i = 0; i < ntime::BlockFrames; ++i)
            out[i] = NRandom::next();
        return;
    default:
        for (int i = 0; i < ntime::BlockFrames; ++i, p += inc)
            out[i] = 0;
        break;
    }
    phase = p;
}

void NOscillator::advanceGlide()
{
    if (!gliding)
        return;
    // The test comes before the step, so the last step may overshoot for one block before it snaps.
    bool passed = glideStep > 0 ? increment > targetIncrement : increment < targetIncrement;
    if (passed) {
        increment = targetIncrement;
        gliding = false;
        return;
    }
    increment += static_cast<std::uint32_t>(glideStep);
}
