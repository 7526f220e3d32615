#pragma once

#include "gui/PixelRow.h"

#include <cstdint>

class KESOBitmap;
class NBitmapCache;

// A proportional bitmap font: the glyphs side by side in one image, their widths in a strip along
// the image's bottom row. Glyphs are masks, so text can be drawn in any colour.
class LFont {
public:
    enum Index { Interface = 0, Grid = 1, Bold = 2, Count = 3 };
    static constexpr int MaxGlyphs = 256;
    // A maxX for drawText that no line reaches.
    static constexpr int NoLimit = 65535;

    // The program's three fonts, by index; null for any other index.
    static LFont* font(int index);
    // Fills the three fonts from their skin images, in index order.
    static void loadProgramFonts(NBitmapCache& cache);
    // The glyph of a character; characters outside the set (and above 255) use glyph 0.
    static int glyphOf(char16_t ch);
    // The 94 characters of the font images, in glyph order, zero-terminated.
    static const char16_t* characterSet();

    // Scans the width strip of the image. A null or empty image gives a font that draws nothing
    // and measures 0.
    void setImage(KESOBitmap* bitmap);

    bool hasImage() const { return image_ != nullptr; }
    int height() const { return height_; }
    int glyphCount() const { return glyphCount_; }
    int glyphWidth(int glyph) const { return glyphWidth_[glyph & 0xFF]; }
    int glyphX(int glyph) const { return glyphX_[glyph & 0xFF]; }

    // Width of one line including one pixel of spacing after the last glyph. A space counts 4.
    int textWidth(const char16_t* text) const;
    // Draws from the top-left corner (x, y); a space advances 3, a newline starts a new line at x.
    // Stops after the first glyph that reaches maxX.
    void drawText(KESOBitmap& target, const char16_t* text, int x, int y, std::int32_t colour, RowOp rowOp,
                  int maxX) const;
    void drawTextShadow(KESOBitmap& target, const char16_t* text, int x, int y, std::uint16_t colour,
                        std::uint16_t shadow) const;
    void drawTextOutline(KESOBitmap& target, const char16_t* text, int x, int y, std::uint16_t colour,
                         std::uint16_t outline) const;
    void drawTextCentred(KESOBitmap& target, const char16_t* text, int cx, int cy, std::uint16_t colour,
                         std::uint16_t shadow) const;

private:
    KESOBitmap* image_ = nullptr;
    std::int16_t glyphWidth_[MaxGlyphs] = {};
    std::int16_t glyphX_[MaxGlyphs] = {};
    int height_ = 0;
    int glyphCount_ = 0;
};
