#pragma once

#include "engine/NTime.h"

#include <cstdint>

// Two-pole resonant filter in integer arithmetic, run over one block in place as a lowpass
// or a highpass. The owner sets cutoff and resonance before every block; only band and level carry
// over from block to block.
class NFilter {
public:
    static constexpr std::int32_t MinCutoff = 2559;
    static constexpr std::int32_t MaxCutoff = 65535;

    // Back to the state of a new filter, as the initialisers below give it.
    void clear();
    // One filter frame by frame; the engine runs its filters side by side in NFilterLanes, which
    // gives these values.
    void process(std::int32_t* io, bool highpass);

    // Per-frame coefficient for a cutoff value: 6 at the lowest cutoff, 4094 at the highest.
    static std::int32_t frequencyCoefficient(std::int32_t cutoff);

    std::int32_t band = 0;      // rate-of-change state (the band-pass signal)
    std::int32_t level = 0;     // lowpass output state
    std::int32_t cutoff = 0;    // useful range MinCutoff .. MaxCutoff
    std::int32_t resonance = 0; // used shifted right by 8: 0 .. 255 keeps that much of band
};
