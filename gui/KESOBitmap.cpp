#include "gui/KESOBitmap.h"

#include "foundation/File.h"
#include "foundation/KESOString.h"
#include "foundation/LittleEndian.h"
#include "foundation/MemoryTracker.h"
#include "gui/LFont.h"

#include <algorithm>
#include <climits>

namespace {

constexpr int TgaHeaderSize = 18;

} // namespace

KESOBitmap::~KESOBitmap()
{
    destroy();
}

void KESOBitmap::create(int w, int h)
{
    destroy();
    if (w <= 0 || h <= 0)
        return;
    width_ = w;
    height_ = h;
    KESO_OWNER("KESOBitmap::create");
    pixels_ = new std::uint16_t[static_cast<size_t>(w) * static_cast<size_t>(h)];
    stride_ = width_;
    clear(0);
}

void KESOBitmap::destroy()
{
    if (pixels_ == nullptr)
        return;
    KESO_OWNER("KESOBitmap::destroy");
    delete[] pixels_;
    pixels_ = nullptr;
    width_ = height_ = stride_ = 0;
}

void KESOBitmap::load(const String& path)
{
    File file;
    if (!file.open(path, File::Read))
        return;
    std::int64_t size = file.size();
    if (size > INT_MAX) {
        file.close();
        destroy();
        return;
    }
    int n = static_cast<int>(size);
    KESO_OWNER("KESOBitmap::load");
    unsigned char* block = new unsigned char[n > 0 ? n : 1];
    int got = file.read(block, n);
    file.close();
    loadTGA(block, got);
    KESO_OWNER("KESOBitmap::load");
    delete[] block;
}

void KESOBitmap::loadTGA(const unsigned char* bytes, int size)
{
    destroy();
    if (bytes == nullptr || size < TgaHeaderSize)
        return;
    // Only the one kind of image our skin is made of: no ID, no colour map, type 2, 16 bits.
    if (bytes[0] != 0 || bytes[1] != 0 || bytes[2] != 2 || bytes[16] != 16)
        return;
    int w = littleendian::read16(bytes + 12);
    int h = littleendian::read16(bytes + 14);
    if (static_cast<long long>(w) * h * 2 > size - TgaHeaderSize)
        return;
    create(w, h);
    const unsigned char* p = bytes + TgaHeaderSize;
    // The file is stored bottom-up in X1R5G5B5: red and green move up a bit, the attribute bit
    // goes, and the lowest green bit stays 0.
    for (int i = 0; i < h; ++i) {
        std::uint16_t* row = pixels_ + static_cast<size_t>(h - 1 - i) * stride_;
        for (int j = 0; j < w; ++j, p += 2) {
            int v = littleendian::read16(p);
            row[j] = static_cast<std::uint16_t>(((v & 0xFFE0) << 1) | (v & 0x001F));
        }
    }
}

std::uint16_t KESOBitmap::pixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_)
        return 0;
    return pixels_[x + y * stride_];
}

void KESOBitmap::clear(std::uint16_t c)
{
    for (int y = 0; y < height_; ++y)
        std::fill_n(pixels_ + y * stride_, width_, c);
}

void KESOBitmap::setPixel(int x, int y, std::uint16_t c)
{
    if (x >= 0 && x < width_ && y >= 0 && y < height_)
        pixels_[x + y * stride_] = c;
}

bool KESOBitmap::clipHLine(int& x0, int y, int& x1) const
{
    if (pixels_ == nullptr)
        return false;
    if (x1 < x0)
        std::swap(x0, x1);
    x0 = std::max(x0, 0);
    x1 = std::min(x1, width_);
    return y >= 0 && y < height_ && x0 < x1;
}

bool KESOBitmap::clipVLine(int x, int& y0, int& y1) const
{
    if (pixels_ == nullptr)
        return false;
    // A reversed vertical line is empty, unlike a reversed horizontal one.
    if (y1 < y0)
        y1 = y0;
    y0 = std::max(y0, 0);
    y1 = std::min(y1, height_);
    return x >= 0 && x < width_ && y0 < y1;
}

void KESOBitmap::drawHLine(int x0, int y, int x1, std::uint16_t c)
{
    if (clipHLine(x0, y, x1))
        std::fill(pixels_ + y * stride_ + x0, pixels_ + y * stride_ + x1, c);
}

void KESOBitmap::drawVLine(int x, int y0, int y1, std::uint16_t c)
{
    if (!clipVLine(x, y0, y1))
        return;
    for (std::uint16_t* p = pixels_ + x + y0 * stride_; y0 < y1; ++y0, p += stride_)
        *p = c;
}

void KESOBitmap::drawRect(int x0, int y0, int x1, int y1, std::uint16_t c)
{
    drawHLine(x0, y0, x1, c);
    drawHLine(x0, y1, x1 + 1, c);
    drawVLine(x0, y0, y1, c);
    drawVLine(x1, y0, y1, c);
}

void KESOBitmap::fillRect(int x0, int y0, int x1, int y1, std::uint16_t c)
{
    for (int y = y0; y < y1; ++y)
        drawHLine(x0, y, x1, c);
}

void KESOBitmap::darkenHLine(int x0, int y, int x1)
{
    if (!clipHLine(x0, y, x1))
        return;
    for (std::uint16_t* p = pixels_ + y * stride_ + x0; x0 < x1; ++x0, ++p)
        *p = half565(*p);
}

void KESOBitmap::darkenRect(int x0, int y0, int x1, int y1)
{
    for (int y = y0; y < y1; ++y)
        darkenHLine(x0, y, x1);
}

void KESOBitmap::blendVLine(int x, int y0, int y1, std::uint16_t c)
{
    if (!clipVLine(x, y0, y1))
        return;
    std::uint16_t halfC = half565(c);
    for (std::uint16_t* p = pixels_ + x + y0 * stride_; y0 < y1; ++y0, p += stride_)
        *p = static_cast<std::uint16_t>(half565(*p) + halfC);
}

void KESOBitmap::fillGradient(int x0, int y0, int x1, int y1, std::uint16_t top, std::uint16_t bottom)
{
    int n = y1 - y0;
    if (n <= 0)
        return;
    int step = 65536 / n;
    int acc = 0;
    for (int y = y0; y < y1; ++y, acc += step) {
        // Odd rows get one step more, which dithers the 5-bit blend.
        int weight = (y & 1) + (acc >> 11);
        drawHLine(x0, y, x1, blend565(top, bottom, weight));
    }
}

void KESOBitmap::blit(KESOBitmap& dst, int dx, int dy, int sx, int sy, int w, int h, RowOp rowOp,
                      std::int32_t param, bool clip) const
{
    if (pixels_ == nullptr || dst.pixels_ == nullptr)
        return;
    if (clip) {
        if (dx < -w || dy < -h || dx >= dst.width_ || dy >= dst.height_ || sx < -w || sy < -h || sx >= width_ ||
            sy >= height_)
            return;
        if (sx < 0) { dx -= sx; w += sx; sx = 0; }
        if (sy < 0) { dy -= sy; h += sy; sy = 0; }
        if (sx >= width_ - w) w = width_ - sx;
        if (sy >= height_ - h) h = height_ - sy;
        if (dx < 0) { sx -= dx; w += dx; dx = 0; }
        if (dy < 0) { sy -= dy; h += dy; dy = 0; }
        if (dx >= dst.width_ - w) w = dst.width_ - dx;
        if (dy >= dst.height_ - h) h = dst.height_ - dy;
    }
    if (w <= 0)
        return;
    for (int r = 0; r < h; ++r)
        rowOp(pixels_ + sx + (sy + r) * stride_, dst.pixels_ + dx + (dy + r) * dst.stride_, w, param);
}

void KESOBitmap::blitCentred(KESOBitmap& dst, int cx, int cy, RowOp rowOp, std::int32_t param) const
{
    blit(dst, cx - width_ / 2, cy - height_ / 2, 0, 0, width_, height_, rowOp, param, true);
}

void KESOBitmap::drawText(const char16_t* text, int x, int y, std::int32_t colour, int font, RowOp rowOp, int maxX)
{
    if (const LFont* f = LFont::font(font))
        f->drawText(*this, text, x, y, colour, rowOp, maxX);
}

void KESOBitmap::drawTextShadow(const char16_t* text, int x, int y, std::uint16_t colour, std::uint16_t shadow,
                                int font)
{
    if (const LFont* f = LFont::font(font))
        f->drawTextShadow(*this, text, x, y, colour, shadow);
}

void KESOBitmap::drawTextOutline(const char16_t* text, int x, int y, std::uint16_t colour, std::uint16_t outline,
                                 int font)
{
    if (const LFont* f = LFont::font(font))
        f->drawTextOutline(*this, text, x, y, colour, outline);
}

void KESOBitmap::drawTextCentred(const char16_t* text, int cx, int cy, std::uint16_t colour, std::uint16_t shadow,
                                 int font)
{
    if (const LFont* f = LFont::font(font))
        f->drawTextCentred(*this, text, cx, cy, colour, shadow);
}
