#include "tools/skin/TgaEncoder.h"

#include "foundation/LittleEndian.h"
#include "gui/KESOBitmap.h"

#include <cstddef>
#include <cstdint>

std::vector<unsigned char> TgaEncoder::encode(const KESOBitmap& bitmap)
{
    int w = bitmap.width();
    int h = bitmap.height();
    std::vector<unsigned char> bytes(18, 0);
    bytes[2] = 2; // uncompressed true colour
    littleendian::write16(bytes.data() + 12, static_cast<std::uint16_t>(w));
    littleendian::write16(bytes.data() + 14, static_cast<std::uint16_t>(h));
    bytes[16] = 16;
    bytes.resize(bytes.size() + static_cast<size_t>(w) * h * 2);
    std::uint8_t* at = bytes.data() + 18;
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x, at += 2) {
            std::uint16_t c = bitmap.pixel(x, y);
            littleendian::write16(at, static_cast<std::uint16_t>(((c >> 1) & 0x7FE0) | (c & 0x001F)));
        }
    }
    return bytes;
}
