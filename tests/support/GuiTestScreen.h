#pragma once

#include "gui/KESOBitmap.h"
#include "gui/LFont.h"
#include "gui/LScreenBitmap.h"

#include <gtest/gtest.h>

#include <vector>

// A font image made in memory: glyph g is a solid block, (1 + g % 4) pixels wide and 5 high, so
// that tests can tell glyphs apart by width and find them by their pixels.
inline void makeTestFontImage(KESOBitmap& image, int glyphs = 94, int glyphHeight = 5)
{
    int width = 1;
    for (int g = 0; g < glyphs; ++g)
        width += 1 + g % 4 + 1;
    image.create(width, glyphHeight + 2);
    int x = 0;
    for (int g = 0; g < glyphs; ++g) {
        int w = 1 + g % 4;
        image.fillRect(x, 0, x + w, glyphHeight, 0xFFFF);
        image.drawHLine(x, glyphHeight + 1, x + w, 0xFFFF);
        x += w + 1;
    }
}

// Sets up the screen bitmap and the three fonts (all the same test font) for a widget test, and
// takes them away afterwards.
class GuiTestScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        LScreenBitmap& screen = LScreenBitmap::instance();
        screen.create(LScreenBitmap::Width, LScreenBitmap::Height);
        screen.flush(nullptr);
        makeTestFontImage(fontImage);
        for (int f = 0; f < LFont::Count; ++f)
            LFont::font(f)->setImage(&fontImage);
    }

    void TearDown() override
    {
        for (int f = 0; f < LFont::Count; ++f)
            LFont::font(f)->setImage(nullptr);
        LScreenBitmap::instance().flush(nullptr);
        LScreenBitmap::instance().destroy();
    }

    static LScreenBitmap& screen() { return LScreenBitmap::instance(); }
    static std::uint16_t at(int x, int y) { return LScreenBitmap::instance().pixel(x, y); }

    KESOBitmap fontImage;
};
