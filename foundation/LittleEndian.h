#pragma once

#include <cstdint>

// Every file the program reads or writes (songs, WAV, TGA, the skin) keeps its numbers
// little-endian; going through bytes makes that hold whatever the host's own order.
namespace littleendian {

inline std::uint16_t read16(const std::uint8_t* b)
{
    return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

inline std::uint32_t read32(const std::uint8_t* b)
{
    return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
           (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

inline void write16(std::uint8_t* b, std::uint16_t v)
{
    b[0] = static_cast<std::uint8_t>(v);
    b[1] = static_cast<std::uint8_t>(v >> 8);
}

inline void write32(std::uint8_t* b, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

} // namespace littleendian
