#include "gui/PixelRow.h"

#include <cstring>

void copyRow(const std::uint16_t* src, std::uint16_t* dst, int count, std::int32_t)
{
    if (count > 0)
        std::memmove(dst, src, static_cast<size_t>(count) * 2);
}

void copyRowKeyed(const std::uint16_t* src, std::uint16_t* dst, int count, std::int32_t)
{
    for (int i = 0; i < count; ++i) {
        if (src[i] != TransparentColour)
            dst[i] = src[i];
    }
}

void fillRowMasked(const std::uint16_t* src, std::uint16_t* dst, int count, std::int32_t param)
{
    std::uint16_t colour = static_cast<std::uint16_t>(param & 0xFFFF);
    for (int i = 0; i < count; ++i) {
        if (src[i] != 0)
            dst[i] = colour;
    }
}

void copyRowKeyedGrey(const std::uint16_t* src, std::uint16_t* dst, int count, std::int32_t)
{
    for (int i = 0; i < count; ++i) {
        std::uint16_t s = src[i];
        if (s == TransparentColour)
            continue;
        unsigned v = (s >> 6) & 0x1F; // the top five bits of green stand for the brightness
        std::uint16_t grey = static_cast<std::uint16_t>((v << 11) | (v << 6) | v);
        dst[i] = blend565(grey, 0x8410, 16);
    }
}

std::uint16_t blend565(std::uint16_t a, std::uint16_t b, int w)
{
    // Green moves to the upper half of the word, so every channel has room for the product.
    const std::uint32_t mask = 0x07E0F81F;
    std::uint32_t wa = (a | (static_cast<std::uint32_t>(a) << 16)) & mask;
    std::uint32_t wb = (b | (static_cast<std::uint32_t>(b) << 16)) & mask;
    std::uint32_t r = (wa + (((wb - wa) * static_cast<std::uint32_t>(w)) >> 5)) & mask;
    return static_cast<std::uint16_t>(r | (r >> 16));
}
