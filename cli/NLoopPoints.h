#pragma once

#include <cstdint>
#include <string>

// Loop points for samplers: a standard "smpl" chunk appended after the data of a WAV file the
// export wrote, with one forward loop that plays endlessly, and the RIFF length made to cover it.
// Readers that do not know the chunk skip it; samplers loop the file by themselves.
class NLoopPoints {
public:
    static constexpr int ChunkBytes = 8 + 36 + 24; // tag and length, the sampler fields, one loop

    // The loop runs from frame 0 to lastFrame, inclusive. False with the system's reason when the
    // file could not be extended; the file is then left as it was.
    static bool append(const std::string& wavPath, std::uint32_t lastFrame, std::string& error);

    static std::string chunk(std::uint32_t lastFrame);
};
