#pragma once

#include <cstdint>
#include <vector>

// An uncompressed 16-bit true-colour TGA; pixels are X1R5G5B5 in file order, bottom row first.
inline std::vector<unsigned char> makeTga(int width, int height, const std::vector<std::uint16_t>& filePixels,
                                          int imageType = 2, int depth = 16)
{
    std::vector<unsigned char> bytes(18, 0);
    bytes[2] = static_cast<unsigned char>(imageType);
    bytes[12] = static_cast<unsigned char>(width);
    bytes[13] = static_cast<unsigned char>(width >> 8);
    bytes[14] = static_cast<unsigned char>(height);
    bytes[15] = static_cast<unsigned char>(height >> 8);
    bytes[16] = static_cast<unsigned char>(depth);
    for (std::uint16_t p : filePixels) {
        bytes.push_back(static_cast<unsigned char>(p));
        bytes.push_back(static_cast<unsigned char>(p >> 8));
    }
    return bytes;
}
