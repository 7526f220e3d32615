#pragma once

#include <vector>

class KESOBitmap;

// Writes a bitmap as the kind of TGA the program loads: uncompressed true colour, 16 bits per
// pixel (X1R5G5B5), bottom row first. The lowest green bit of RGB565 has no place in it.
class TgaEncoder {
public:
    static std::vector<unsigned char> encode(const KESOBitmap& bitmap);
};
