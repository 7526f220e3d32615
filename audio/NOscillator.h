#pragma once

#include "engine/NTime.h"

#include <cstdint>

// Phase-accumulator oscillator with six waveforms and a pitch glide, rendering blocks of values
// in the 16-bit range. One full cycle of the phase is 2^32.
class NOscillator {
public:
    enum Waveform { Saw = 1, Square = 2, Triangle = 3, Sine = 4, Pulse = 5, Noise = 6 };

    // Silent and still; phase and pulsePhase keep running from where they are.
    void reset();
    // Everything back to a new oscillator's, the phases and the pulse-width sweep included.
    void restart() { *this = NOscillator(); }
    // Jumps to a pitch, ending any glide.
    void setIncrement(std::uint32_t inc);
    // Glides from the current pitch to target in about 64 blocks.
    void glideTo(std::uint32_t target);
    void render(std::int32_t* out);

    std::uint32_t phase = 0;
    std::uint32_t increment = 0;
    std::uint32_t targetIncrement = 0;
    bool gliding = false;
    std::int32_t glideStep = 0; // change of increment per block while gliding
    std::int32_t waveform = 0;  // a Waveform; anything else is silent
    std::int32_t pulsePhase = 0; // position of the pulse-width sweep

private:
    void renderWave(std::int32_t* out);
    void advanceGlide();
};
