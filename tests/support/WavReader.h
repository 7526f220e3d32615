#pragma once

#include <cstdint>
#include <string>
#include <vector>

// What a WAV file of ours says, read field by field from its bytes without the program's own file
// classes, so that tests check the export against an independent reading.
struct WavData {
    bool valid = false; // RIFF/WAVE with a "fmt " and a "data" chunk inside the file
    std::size_t fileSize = 0;
    std::uint32_t riffLength = 0;
    std::uint32_t fmtLength = 0;
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t sampleRate = 0;
    std::uint32_t byteRate = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    std::size_t dataOffset = 0;
    std::uint32_t dataLength = 0;
    std::vector<std::int16_t> samples; // interleaved, as stored

    std::int16_t left(std::size_t frame) const { return samples[2 * frame]; }
    std::int16_t right(std::size_t frame) const { return samples[2 * frame + 1]; }
    std::size_t frames() const { return samples.size() / 2; }
};

class WavReader {
public:
    static WavData read(const std::string& path);
};
