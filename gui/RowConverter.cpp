#include "gui/RowConverter.h"

#include <cstring>

namespace {

void put16(unsigned char* dst, std::uint32_t v)
{
    std::uint16_t p = static_cast<std::uint16_t>(v);
    std::memcpy(dst, &p, 2);
}

void put32(unsigned char* dst, std::uint32_t v)
{
    std::memcpy(dst, &v, 4);
}

void rgb32(const std::uint32_t* src, unsigned char* dst, int count)
{
    if (count > 0)
        std::memcpy(dst, src, static_cast<size_t>(count) * 4);
}

void bgr32(const std::uint32_t* src, unsigned char* dst, int count)
{
    for (int i = 0; i < count; ++i) {
        std::uint32_t v = src[i];
        put32(dst + 4 * i, ((v & 0xFF) << 16) | (v & 0xFF00) | ((v >> 16) & 0xFF));
    }
}

void rgb24(const std::uint32_t* src, unsigned char* dst, int count)
{
    for (int i = 0; i < count; ++i, dst += 3) {
        std::uint32_t v = src[i];
        dst[0] = static_cast<unsigned char>(v);
        dst[1] = static_cast<unsigned char>(v >> 8);
        dst[2] = static_cast<unsigned char>(v >> 16);
    }
}

void bgr24(const std::uint32_t* src, unsigned char* dst, int count)
{
    for (int i = 0; i < count; ++i, dst += 3) {
        std::uint32_t v = src[i];
        dst[0] = static_cast<unsigned char>(v >> 16);
        dst[1] = static_cast<unsigned char>(v >> 8);
        dst[2] = static_cast<unsigned char>(v);
    }
}

void rgb565(const std::uint32_t* src, unsigned char* dst, int count)
{
    for (int i = 0; i < count; ++i) {
        std::uint32_t v = src[i];
        put16(dst + 2 * i, ((v >> 8) & 0xF800) | ((v >> 5) & 0x07E0) | ((v >> 3) & 0x001F));
    }
}

void bgr565(const std::uint32_t* src, unsigned char* dst, int count)
{
    for (int i = 0; i < count; ++i) {
        std::uint32_t v = src[i];
        put16(dst + 2 * i, (((v & 0xFF) >> 3) << 11) | ((v >> 5) & 0x07E0) | ((v >> 19) & 0x001F));
    }
}

void rgb555(const std::uint32_t* src, unsigned char* dst, int count)
{
    for (int i = 0; i < count; ++i) {
        std::uint32_t v = src[i];
        put16(dst + 2 * i, ((v >> 9) & 0x7C00) | ((v >> 6) & 0x03E0) | ((v >> 3) & 0x001F));
    }
}

void bgr555(const std::uint32_t* src, unsigned char* dst, int count)
{
    for (int i = 0; i < count; ++i) {
        std::uint32_t v = src[i];
        put16(dst + 2 * i, (((v & 0xFF) >> 3) << 10) | ((v >> 6) & 0x03E0) | ((v >> 19) & 0x001F));
    }
}

struct Format {
    int bits;
    std::uint32_t red, green, blue;
    RowConverter convert;
};

const Format formats[] = {
    {32, 0xFF0000, 0x00FF00, 0x0000FF, rgb32}, {32, 0x0000FF, 0x00FF00, 0xFF0000, bgr32},
    {24, 0xFF0000, 0x00FF00, 0x0000FF, rgb24}, {24, 0x0000FF, 0x00FF00, 0xFF0000, bgr24},
    {16, 0xF800, 0x07E0, 0x001F, rgb565},      {16, 0x001F, 0x07E0, 0xF800, bgr565},
    {16, 0x7C00, 0x03E0, 0x001F, rgb555},      {16, 0x001F, 0x03E0, 0x7C00, bgr555},
};

} // namespace

RowConverter chooseRowConverter(int bitCount, std::uint32_t redMask, std::uint32_t greenMask, std::uint32_t blueMask)
{
    for (const Format& f : formats) {
        if (f.bits == bitCount && f.red == redMask && f.green == greenMask && f.blue == blueMask)
            return f.convert;
    }
    return nullptr;
}
