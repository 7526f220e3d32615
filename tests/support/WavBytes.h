#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Builds WAV file images byte by byte, so that tests can make good files and every kind of broken
// one without shipping any. Chunks go inside "RIFF"/"WAVE" in the order they are added; an odd
// body gets the RIFF pad byte after it, which its stored length does not count.
class WavBytes {
public:
    using Bytes = std::vector<unsigned char>;

    // A complete 16-bit mono PCM file holding these frames.
    static Bytes mono16(const std::vector<std::int16_t>& frames, int sampleRate = 44100);
    // Little-endian 16-bit sample data.
    static Bytes pcm16(const std::vector<std::int16_t>& frames);

    // A "fmt " chunk with the classic 16-byte body; the byte rate follows from rate and alignment.
    WavBytes& format(int formatTag, int channels, int sampleRate, int blockAlign, int bitsPerSample);
    WavBytes& chunk(const std::string& tag, const Bytes& body);
    WavBytes& data(const Bytes& body) { return chunk("data", body); }

    Bytes bytes() const;

private:
    Bytes chunks_;
};
