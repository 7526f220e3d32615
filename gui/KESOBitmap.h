#pragma once

#include "gui/PixelRow.h"

#include <cstdint>

class String;

// A block of RGB565 pixels with its size: skin images, font images and the screen. Every drawing
// operation clips to the bitmap, and an empty bitmap draws and blits nothing.
class KESOBitmap {
public:
    KESOBitmap() = default;
    KESOBitmap(const KESOBitmap&) = delete;
    KESOBitmap& operator=(const KESOBitmap&) = delete;
    virtual ~KESOBitmap();

    // Allocates w x h pixels cleared to black; pixels held before are released first.
    void create(int w, int h);
    void destroy();
    // Reads a TGA file; a file that cannot be opened leaves the bitmap as it was.
    void load(const String& path);
    // Builds the bitmap from an uncompressed 16-bit true-colour TGA held in memory. Anything else,
    // or a block shorter than its header promises, leaves the bitmap empty.
    void loadTGA(const unsigned char* bytes, int size);

    bool isEmpty() const { return pixels_ == nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return stride_; }
    std::uint16_t* pixels() { return pixels_; }
    const std::uint16_t* pixels() const { return pixels_; }
    // The pixel at (x, y), or 0 outside the bitmap.
    std::uint16_t pixel(int x, int y) const;

    void clear(std::uint16_t c);
    void setPixel(int x, int y, std::uint16_t c);
    // Lines exclude their end point; drawRect draws the closed outline from (x0, y0) to (x1, y1).
    void drawHLine(int x0, int y, int x1, std::uint16_t c);
    void drawVLine(int x, int y0, int y1, std::uint16_t c);
    void drawRect(int x0, int y0, int x1, int y1, std::uint16_t c);
    void fillRect(int x0, int y0, int x1, int y1, std::uint16_t c);
    void darkenHLine(int x0, int y, int x1);
    void darkenRect(int x0, int y0, int x1, int y1);
    void blendVLine(int x, int y0, int y1, std::uint16_t c);
    void fillGradient(int x0, int y0, int x1, int y1, std::uint16_t top, std::uint16_t bottom);

    // Copies the w x h area at (sx, sy) of this bitmap to (dx, dy) of dst through rowOp. Without
    // clip the caller guarantees that the area lies inside both bitmaps.
    void blit(KESOBitmap& dst, int dx, int dy, int sx, int sy, int w, int h, RowOp rowOp, std::int32_t param,
              bool clip) const;
    void blitCentred(KESOBitmap& dst, int cx, int cy, RowOp rowOp, std::int32_t param) const;

    // Text in one of the program's three fonts (LFont), drawn into this bitmap.
    void drawText(const char16_t* text, int x, int y, std::int32_t colour, int font, RowOp rowOp, int maxX);
    void drawTextShadow(const char16_t* text, int x, int y, std::uint16_t colour, std::uint16_t shadow, int font);
    void drawTextOutline(const char16_t* text, int x, int y, std::uint16_t colour, std::uint16_t outline, int font);
    void drawTextCentred(const char16_t* text, int cx, int cy, std::uint16_t colour, std::uint16_t shadow, int font);

private:
    bool clipHLine(int& x0, int y, int& x1) const;
    bool clipVLine(int x, int& y0, int& y1) const;

    std::uint16_t* pixels_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
};
