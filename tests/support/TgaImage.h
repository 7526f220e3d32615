#pragma once

#include "foundation/LittleEndian.h"

#include <cstdint>
#include <vector>

// An uncompressed 16-bit true-colour TGA; pixels are X1R5G5B5 in file order, bottom row first.
inline std::vector<unsigned char> makeTga(int width, int height, const std::vector<std::uint16_t>& filePixels)
{
    std::vector<unsigned char> bytes(18 + 2 * filePixels.size(), 0);
    bytes[2] = 2;
    littleendian::write16(bytes.data() + 12, static_cast<std::uint16_t>(width));
    littleendian::write16(bytes.data() + 14, static_cast<std::uint16_t>(height));
    bytes[16] = 16;
    for (std::size_t i = 0; i < filePixels.size(); ++i)
        littleendian::write16(bytes.data() + 18 + 2 * i, filePixels[i]);
    return bytes;
}
