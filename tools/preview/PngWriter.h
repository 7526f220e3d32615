#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes 8-bit RGB PNG files without a compression library: the image data goes into stored
// (uncompressed) deflate blocks, which every PNG reader accepts.
class PngWriter {
public:
    // Pixels are 0x00RRGGBB words, row by row; each is drawn as a zoom x zoom square.
    static bool write(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height,
                      int zoom);
    // Pixels are 0xAARRGGBB words, row by row, written with their opacity (8-bit RGBA).
    static bool writeWithAlpha(const std::string& path, const std::vector<std::uint32_t>& pixels, int width,
                               int height);

private:
    // raw: the rows, each after its filter byte, of the colour type given (2 RGB, 6 RGBA).
    static bool writeRows(const std::string& path, const std::vector<unsigned char>& raw, int width, int height,
                          unsigned char colourType);
    static std::vector<unsigned char> zlibStored(const std::vector<unsigned char>& data);
    static std::uint32_t crc32(const unsigned char* data, size_t size);
    static std::uint32_t adler32(const std::vector<unsigned char>& data);
    static void appendChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data);
};
