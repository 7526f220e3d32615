#pragma once

#include "foundation/KESOString.h"

#include <cstdint>
#include <vector>

// Synthesizes the default drum kit in the manner of the classic analog drum machines: swept sines
// for the kick and toms, tuned bodies plus noise for the snares, clusters of detuned square waves
// for the metal, filtered noise bursts for the clap. Every sound is 16-bit mono at the engine's rate, starts
// and ends at zero, carries no DC and peaks just under -1 dBFS. Only integer noise and plain double
// arithmetic are used, so a build makes the same bytes every time.
class NDrumSynth {
public:
    using Sound = std::vector<std::int16_t>;

    static constexpr int Peak = 29200; // -1 dBFS

    static Sound crash();
    static Sound ride();
    static Sound openHat();
    static Sound closedHat();
    static Sound highTom();
    static Sound midTom();
    static Sound lowTom();
    static Sound clap();
    static Sound rimShot();
    static Sound snare();
    static Sound brightSnare();
    static Sound bassDrum();

    // The kit in drum-machine slot order, with the file name each slot loads.
    struct KitSound {
        const char* file;
        Sound (*make)();
    };
    static constexpr int KitSize = 12;
    static const KitSound kit[KitSize];

    // Writes a canonical 44-byte-header PCM WAV file (16-bit mono, 44100 Hz); false if any of it
    // could not be written.
    static bool writeWav(const String& path, const Sound& frames);
};
