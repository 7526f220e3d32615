#include "tools/skin/TgaEncoder.h"

#include "gui/KESOBitmap.h"

#include <cstddef>
#include <cstdint>

std::vector<unsigned char> TgaEncoder::encode(const KESOBitmap& bitmap)
{
    int w = bitmap.width();
    int h = bitmap.height();
    std::vector<unsigned char> bytes(18, 0);
    bytes[2] = 2; // uncompressed true colour
    bytes[12] = static_cast<unsigned char>(w);
    bytes[13] = static_cast<unsigned char>(w >> 8);
    bytes[14] = static_cast<unsigned char>(h);
    bytes[15] = static_cast<unsigned char>(h >> 8);
    bytes[16] = 16;
    bytes.reserve(bytes.size() + static_cast<size_t>(w) * h * 2);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            std::uint16_t c = bitmap.pixel(x, y);
            std::uint16_t p = static_cast<std::uint16_t>(((c >> 1) & 0x7FE0) | (c & 0x001F));
            bytes.push_back(static_cast<unsigned char>(p));
            bytes.push_back(static_cast<unsigned char>(p >> 8));
        }
    }
    return bytes;
}
