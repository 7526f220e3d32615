#pragma once

#include <cstdint>

// The program-wide pseudo-random generator behind the noise waveform. Its state starts at 1 when the
// program starts and is never reseeded, so every run (and every export) hears the same noise.
class NRandom {
public:
    static constexpr int MaxValue = 32767;

    // The next value, 0 .. MaxValue.
    static int next();
    // Where the sequence stands, so that callers can predict it.
    static std::uint32_t state() { return state_; }
    // Back to where the program starts it, so that a render hears the noise a fresh start hears.
    static void reset() { state_ = StartState; }

private:
    static constexpr std::uint32_t StartState = 1;
    static std::uint32_t state_;
};
