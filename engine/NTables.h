#pragma once

#include <cstdint>

// The two lookup tables every tone generator reads: one period of a sine and the phase increment of
// each MIDI note. Built once at start-up, read-only afterwards, so any thread may read them.
class NTables {
public:
    static constexpr int SineSize = 65536;
    static constexpr int SineMask = SineSize - 1;
    static constexpr std::int32_t SineAmplitude = 262143; // 2^18 - 1
    static constexpr int PitchSize = 256;

    // Fills both tables, the sine first. Only the first call does any work.
    static void buildTables();

    // Amplitude SineAmplitude; the index wraps at a full period.
    static std::int32_t sine(int i) { return sineTable_[i & SineMask]; }
    // Phase increment per frame of a 32-bit accumulator for MIDI note n at ntime::SampleRate; notes
    // outside 0 .. 255 read the nearest end of the table.
    static std::uint32_t pitch(int n) { return pitchTable_[n < 0 ? 0 : (n >= PitchSize ? PitchSize - 1 : n)]; }

private:
    static void build();

    static std::int32_t sineTable_[SineSize];
    static std::uint32_t pitchTable_[PitchSize];
};
