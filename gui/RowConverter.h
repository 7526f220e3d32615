#pragma once

#include <cstdint>

// Turns one row of 32-bit 0x00RRGGBB pixels into `count` pixels of a video surface's format.
using RowConverter = void (*)(const std::uint32_t* src, unsigned char* dst, int count);

// The converter for a surface with this bit count and these channel masks, or null when the format
// is not one we can serve.
RowConverter chooseRowConverter(int bitCount, std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask);
