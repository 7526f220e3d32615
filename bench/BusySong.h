#pragma once

#include <string>

// A song that keeps every machine busy with the effects on, for measuring the engine: all three
// synthesizers play on every step (saw with distortion, a ring-modulated pair, a dual-filtered pulse),
// all twelve drum pads hit, delay and reverb run. Its drum kit is made here too, as plain decaying
// tones, so that the measurement needs no other files.
class BusySong {
public:
    // Writes the song and a kit into folder; the song loops `bars` bars. Returns the song's path.
    static std::string write(const std::string& folder, int bars);

    // Brings the engine up the way the program does and loads the song, with the folder as the
    // program folder so that the kit is found.
    static bool load(const std::string& folder, const std::string& song);
};
