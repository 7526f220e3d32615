#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds WAV file images byte by byte, good ones and every kind of broken one. Chunks go inside
// "RIFF"/"WAVE" in the order they are added; an odd body gets a pad byte its length does not count.
class WavBytes {
public:
    using Bytes = std::vector<unsigned char>;

    static Bytes mono16(const std::vector<std::int16_t>& frames, int sampleRate = 44100);
    static Bytes pcm16(const std::vector<std::int16_t>& frames); // little-endian sample data

    // A classic 16-byte "fmt " chunk; the byte rate follows from rate and alignment.
    WavBytes& format(int formatTag, int channels, int sampleRate, int blockAlign, int bitsPerSample);
    WavBytes& chunk(const std::string& tag, const Bytes& body);
    WavBytes& data(const Bytes& body) { return chunk("data", body); }
    Bytes bytes() const;

private:
    Bytes chunks_;
};
