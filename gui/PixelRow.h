#pragma once

#include <cstdint>

// Pixels are RGB565: red in bits 15-11, green 10-5, blue 4-0.
constexpr std::uint16_t TransparentColour = 0xF81F;

// A row operation moves one row of `count` pixels from a source to a destination; `blit` runs one
// per row, so the operation decides how the source lands (copied, keyed, used as a mask, greyed).
using RowOp = void (*)(const std::uint16_t* src, std::uint16_t* dst, int count, std::int32_t param);

void copyRow(const std::uint16_t* src, std::uint16_t* dst, int count, std::int32_t param);
// Skips source pixels of the transparent colour.
void copyRowKeyed(const std::uint16_t* src, std::uint16_t* dst, int count, std::int32_t param);
// The source is only a mask: every non-black pixel becomes the colour in the low 16 bits of param.
void fillRowMasked(const std::uint16_t* src, std::uint16_t* dst, int count, std::int32_t param);
// A washed-out grey of the source, keyed, for disabled buttons.
void copyRowKeyedGrey(const std::uint16_t* src, std::uint16_t* dst, int count, std::int32_t param);

// Mixes two colours with a weight 0 (a) ... 32 (b), all three channels with one multiplication.
std::uint16_t blend565(std::uint16_t a, std::uint16_t b, int w);

// Each channel halved.
constexpr std::uint16_t half565(std::uint16_t c)
{
    return static_cast<std::uint16_t>((c >> 1) & 0x7BEF);
}

// Mixed half and half with white.
constexpr std::uint16_t light565(std::uint16_t c)
{
    return static_cast<std::uint16_t>(half565(c) + 0x7BEF);
}
