#include "tests/support/WavReader.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace {

std::uint32_t le32(const std::vector<unsigned char>& b, std::size_t at)
{
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t le16(const std::vector<unsigned char>& b, std::size_t at)
{
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

bool tagAt(const std::vector<unsigned char>& b, std::size_t at, const char* tag)
{
    return at + 4 <= b.size() && std::memcmp(b.data() + at, tag, 4) == 0;
}

} // namespace

WavData WavReader::read(const std::string& path)
{
    WavData wav;
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    wav.fileSize = b.size();
    if (b.size() < 12 || !tagAt(b, 0, "RIFF") || !tagAt(b, 8, "WAVE"))
        return wav;
    wav.riffLength = le32(b, 4);
    if (wav.riffLength > b.size() - 8)
        return wav; // the header promises more than the file holds
    const std::size_t end = 8 + wav.riffLength; // bytes after the RIFF chunk are no part of it
    bool haveFormat = false;
    bool haveData = false;
    // Walk the chunks as a generic reader would, in whatever order they come.
    for (std::size_t at = 12; at + 8 <= end;) {
        std::uint32_t length = le32(b, at + 4);
        std::size_t body = at + 8;
        if (length > end - body)
            return wav; // runs past the RIFF chunk: not a valid file
        if (tagAt(b, at, "fmt ") && length >= 16) {
            wav.fmtLength = length;
            wav.formatTag = le16(b, body);
            wav.channels = le16(b, body + 2);
            wav.sampleRate = le32(b, body + 4);
            wav.byteRate = le32(b, body + 8);
            wav.blockAlign = le16(b, body + 12);
            wav.bitsPerSample = le16(b, body + 14);
            haveFormat = true;
        } else if (tagAt(b, at, "data")) {
            wav.dataOffset = body;
            wav.dataLength = length;
            wav.samples.resize(length / 2);
            for (std::size_t i = 0; i < wav.samples.size(); ++i)
                wav.samples[i] = static_cast<std::int16_t>(le16(b, body + 2 * i));
            haveData = true;
        }
        at = body + length + (length & 1);
    }
    wav.valid = haveFormat && haveData;
    return wav;
}
