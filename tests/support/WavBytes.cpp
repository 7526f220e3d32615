#include "tests/support/WavBytes.h"

namespace {

void put16(WavBytes::Bytes& out, std::uint32_t v)
{
    out.push_back(static_cast<unsigned char>(v));
    out.push_back(static_cast<unsigned char>(v >> 8));
}

void put32(WavBytes::Bytes& out, std::uint32_t v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

void putTag(WavBytes::Bytes& out, const std::string& tag)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(i < static_cast<int>(tag.size()) ? static_cast<unsigned char>(tag[i]) : ' ');
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
        put16(out, static_cast<std::uint16_t>(f));
    return out;
}

WavBytes& WavBytes::format(int formatTag, int channels, int sampleRate, int blockAlign, int bitsPerSample)
{
    Bytes body;
    put16(body, static_cast<std::uint32_t>(formatTag));
    put16(body, static_cast<std::uint32_t>(channels));
    put32(body, static_cast<std::uint32_t>(sampleRate));
    put32(body, static_cast<std::uint32_t>(sampleRate) * static_cast<std::uint32_t>(blockAlign));
    put16(body, static_cast<std::uint32_t>(blockAlign));
    put16(body, static_cast<std::uint32_t>(bitsPerSample));
    return chunk("fmt ", body);
}

WavBytes& WavBytes::chunk(const std::string& tag, const Bytes& body)
{
    putTag(chunks_, tag);
    put32(chunks_, static_cast<std::uint32_t>(body.size()));
    chunks_.insert(chunks_.end(), body.begin(), body.end());
    if (body.size() % 2 != 0)
        chunks_.push_back(0);
    return *this;
}

WavBytes::Bytes WavBytes::bytes() const
{
    Bytes out;
    putTag(out, "RIFF");
    put32(out, static_cast<std::uint32_t>(4 + chunks_.size()));
    putTag(out, "WAVE");
    out.insert(out.end(), chunks_.begin(), chunks_.end());
    return out;
}
