#include "tools/preview/PngWriter.h"

#include <array>
#include <fstream>

namespace {

void put32(std::vector<unsigned char>& out, std::uint32_t v)
{
    out.push_back(static_cast<unsigned char>(v >> 24));
    out.push_back(static_cast<unsigned char>(v >> 16));
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

} // namespace

std::uint32_t PngWriter::crc32(const unsigned char* data, size_t size)
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i)
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

std::uint32_t PngWriter::adler32(const std::vector<unsigned char>& data)
{
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (unsigned char byte : data) {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

std::vector<unsigned char> PngWriter::zlibStored(const std::vector<unsigned char>& data)
{
    std::vector<unsigned char> out = {0x78, 0x01}; // deflate, 32K window, no dictionary
    size_t pos = 0;
    do {
        size_t n = data.size() - pos < 65535 ? data.size() - pos : 65535;
        bool last = pos + n == data.size();
        out.push_back(last ? 1 : 0); // a stored block
        out.push_back(static_cast<unsigned char>(n));
        out.push_back(static_cast<unsigned char>(n >> 8));
        out.push_back(static_cast<unsigned char>(~n));
        out.push_back(static_cast<unsigned char>(~n >> 8));
        out.insert(out.end(), data.begin() + static_cast<long>(pos), data.begin() + static_cast<long>(pos + n));
        pos += n;
    } while (pos < data.size());
    put32(out, adler32(data));
    return out;
}

void PngWriter::appendChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data)
{
    put32(out, static_cast<std::uint32_t>(data.size()));
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, crc32(out.data() + start, out.size() - start));
}

bool PngWriter::write(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height,
                      int zoom)
{
    std::vector<unsigned char> raw;
    for (int y = 0; y < height * zoom; ++y) {
        raw.push_back(0); // no filter
        for (int x = 0; x < width * zoom; ++x) {
            std::uint32_t p = pixels[static_cast<size_t>(y / zoom) * width + x / zoom];
            raw.insert(raw.end(), {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                   static_cast<unsigned char>(p)});
        }
    }
    return writeRows(path, raw, width * zoom, height * zoom, 2);
}

bool PngWriter::writeWithAlpha(const std::string& path, const std::vector<std::uint32_t>& pixels, int width,
                               int height)
{
    std::vector<unsigned char> raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0); // no filter
        for (int x = 0; x < width; ++x) {
            std::uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            raw.insert(raw.end(), {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                   static_cast<unsigned char>(p), static_cast<unsigned char>(p >> 24)});
        }
    }
    return writeRows(path, raw, width, height, 6);
}

bool PngWriter::writeRows(const std::string& path, const std::vector<unsigned char>& raw, int width, int height,
                          unsigned char colourType)
{
    std::vector<unsigned char> header;
    put32(header, static_cast<std::uint32_t>(width));
    put32(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, colourType, 0, 0, 0}); // 8 bits, deflate, no filter, no interlace

    std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    appendChunk(png, "IHDR", header);
    appendChunk(png, "IDAT", zlibStored(raw));
    appendChunk(png, "IEND", {});
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    return static_cast<bool>(out.flush());
}
