#include "foundation/KESOString.h"
#include "gui/KESOBitmap.h"
#include "gui/LFont.h"
#include "tests/support/TempDir.h"
#include "tools/skin/GlyphSheet.h"
#include "tools/skin/SkinSource.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(SkinTools, FontImageHoldsEveryGlyphOnItsRowsWithItsWidthInTheStrip)
{
    // Glyph g is a bar (1 + g % 3) wide on row g % 3 of 3.
    std::string design = "height 3\n";
    for (int g = 0; LFont::characterSet()[g] != 0; ++g) {
        const char16_t name[2] = {LFont::characterSet()[g], 0};
        design += "glyph " + String(name).toUtf8() + " " + std::to_string(g % 3) + "\n";
        design += std::string(static_cast<size_t>(1 + g % 3), '#') + "\n\n";
    }
    TempDir dir;
    dir.writeBytes("font.txt", std::vector<unsigned char>(design.begin(), design.end()));
    SkinSource source;
    GlyphSheet sheet;
    ASSERT_TRUE(source.open(dir.path("font.txt")) && sheet.read(source) && sheet.checkComplete(source))
        << source.error();
    KESOBitmap image;
    sheet.emboldened().makeImage(image);
    LFont font;
    font.setImage(&image);
    EXPECT_EQ(font.glyphWidth(0), 2); // bold: one pixel wider
    sheet.makeImage(image);
    font.setImage(&image);
    EXPECT_EQ(image.height(), 5);
    ASSERT_EQ(font.glyphCount(), 94);
    for (int g = 0; g < 94; ++g) {
        ASSERT_EQ(font.glyphWidth(g), 1 + g % 3);
        EXPECT_EQ(image.pixel(font.glyphX(g), g % 3), 0xFFFF);
        EXPECT_EQ(image.pixel(font.glyphX(g), (g + 1) % 3), 0x0000);
    }
}
