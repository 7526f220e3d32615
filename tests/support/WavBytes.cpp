#include "tests/support/WavBytes.h"

namespace {

// Little-endian, `size` bytes.
void put(WavBytes::Bytes& out, std::uint32_t v, int size = 4)
{
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<unsigned char>(v >> 8 * i));
}

void putTag(WavBytes::Bytes& out, const std::string& tag)
{
    for (size_t i = 0; i < 4; ++i)
        out.push_back(i < tag.size() ? static_cast<unsigned char>(tag[i]) : ' ');
}

} // namespace

WavBytes::Bytes WavBytes::mono16(const std::vector<std::int16_t>& frames, int sampleRate)
{
    return WavBytes().format(1, 1, sampleRate, 2, 16).data(pcm16(frames)).bytes();
}

WavBytes::Bytes WavBytes::pcm16(const std::vector<std::int16_t>& frames)
{
    Bytes out;
    for (std::int16_t f : frames)
        put(out, static_cast<std::uint16_t>(f), 2);
    return out;
}

WavBytes& WavBytes::format(int formatTag, int channels, int sampleRate, int blockAlign, int bitsPerSample)
{
    Bytes body;
    for (int v : {formatTag, channels})
        put(body, static_cast<std::uint32_t>(v), 2);
    put(body, static_cast<std::uint32_t>(sampleRate));
    put(body, static_cast<std::uint32_t>(sampleRate) * static_cast<std::uint32_t>(blockAlign));
    for (int v : {blockAlign, bitsPerSample})
        put(body, static_cast<std::uint32_t>(v), 2);
    return chunk("fmt ", body);
}

WavBytes& WavBytes::chunk(const std::string& tag, const Bytes& body)
{
    putTag(chunks_, tag);
    put(chunks_, static_cast<std::uint32_t>(body.size()));
    chunks_.insert(chunks_.end(), body.begin(), body.end());
    if (body.size() % 2 != 0)
        chunks_.push_back(0);
    return *this;
}

WavBytes::Bytes WavBytes::bytes() const
{
    Bytes out;
    putTag(out, "RIFF");
    put(out, static_cast<std::uint32_t>(4 + chunks_.size()));
    putTag(out, "WAVE");
    out.insert(out.end(), chunks_.begin(), chunks_.end());
    return out;
}
