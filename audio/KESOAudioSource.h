#pragma once

#include <cstdint>

// Where the real-time output gets its samples: the mixer, in the program. Called on the playback
// thread with the engine lock held, always with 16 bits, 44100 Hz and 2 channels.
class KESOAudioSource {
public:
    virtual ~KESOAudioSource() = default;

    // Writes frames interleaved stereo frames to out.
    virtual void render(std::int16_t* out, int frames, int bits, int rate, int channels) = 0;
};
