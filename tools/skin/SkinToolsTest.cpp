#include "foundation/KESOString.h"
#include "gui/KESOBitmap.h"
#include "gui/LFont.h"
#include "tests/support/TempDir.h"
#include "tools/skin/GlyphSheet.h"
#include "tools/skin/IconSheet.h"
#include "tools/skin/SkinSource.h"
#include "tools/skin/TgaEncoder.h"

#include <gtest/gtest.h>

#include <string>
#include <type_traits>
#include <vector>

namespace {

// A complete font design of height 3: glyph g is a bar (1 + g % 3) wide on row g % 3.
std::string completeFont()
{
    std::string text = "height 3\n";
    int g = 0;
    for (const char16_t* c = LFont::characterSet(); *c != 0; ++c, ++g) {
        char16_t name[2] = {*c, 0};
        text += "glyph " + String(name).toUtf8() + " " + std::to_string(g % 3) + "\n";
        text += std::string(static_cast<size_t>(1 + g % 3), '#') + "\n\n";
    }
    return text;
}

class SkinToolsTest : public ::testing::Test {
protected:
    // Reads a design into the sheet; the error, if any, lands in `error`.
    template <typename Sheet>
    bool read(const std::string& text, Sheet& sheet)
    {
        dir.writeBytes("design.txt", std::vector<unsigned char>(text.begin(), text.end()));
        SkinSource source;
        bool ok = source.open(dir.path("design.txt")) && sheet.read(source);
        if constexpr (std::is_same_v<Sheet, GlyphSheet>)
            ok = ok && sheet.checkComplete(source);
        error = source.error();
        return ok;
    }

    TempDir dir;
    std::string error;
};

} // namespace

TEST_F(SkinToolsTest, FontImageHoldsEveryGlyphWithItsWidthStrip)
{
    GlyphSheet sheet;
    ASSERT_TRUE(read(completeFont(), sheet)) << error;
    KESOBitmap image;
    sheet.makeImage(image);
    EXPECT_EQ(image.height(), 5);
    LFont font;
    font.setImage(&image);
    ASSERT_EQ(font.glyphCount(), 94);
    EXPECT_EQ(font.height(), 3);
    for (int g = 0; g < 94; ++g) {
        ASSERT_EQ(font.glyphWidth(g), 1 + g % 3);
        EXPECT_EQ(image.pixel(font.glyphX(g), g % 3), 0xFFFF);
        EXPECT_EQ(image.pixel(font.glyphX(g), (g + 1) % 3), 0x0000);
    }
}

TEST_F(SkinToolsTest, BoldDoublesStrokesAndTakesOverrides)
{
    GlyphSheet sheet;
    ASSERT_TRUE(read(completeFont(), sheet)) << error;
    GlyphSheet bold = sheet.emboldened();
    GlyphSheet overrides;
    std::string text = "height 3\nglyph B 0\n#.#.#\n";
    dir.writeBytes("bold.txt", std::vector<unsigned char>(text.begin(), text.end()));
    SkinSource source;
    ASSERT_TRUE(source.open(dir.path("bold.txt")) && overrides.read(source)) << source.error();
    ASSERT_TRUE(bold.overrideWith(overrides));
    KESOBitmap image;
    bold.makeImage(image);
    LFont font;
    font.setImage(&image);
    EXPECT_EQ(font.glyphWidth(0), 2);            // "A", one pixel wider
    EXPECT_EQ(font.glyphWidth(1), 5);            // "B" as drawn in the overrides
    EXPECT_EQ(image.pixel(font.glyphX(1) + 1, 0), 0x0000);
    EXPECT_EQ(font.glyphWidth(2), 4);
}

TEST_F(SkinToolsTest, FontMistakesAreReportedWithTheirLine)
{
    auto fails = [this](const std::string& text) {
        GlyphSheet sheet;
        return !read(text, sheet);
    };
    EXPECT_TRUE(fails("height 3\nglyph A 0\n#\n"));
    EXPECT_NE(error.find("no glyph for B"), std::string::npos) << error;
    EXPECT_TRUE(fails("height 3\nglyph A 0\n##\n#\n"));
    EXPECT_NE(error.find(":4: every row"), std::string::npos) << error;
    EXPECT_TRUE(fails("height 3\nglyph A 2\n#\n#\n"));
    EXPECT_NE(error.find("below"), std::string::npos) << error;
    EXPECT_TRUE(fails("glyph A 0\n#\n"));
    EXPECT_NE(error.find("\"height\" must come before"), std::string::npos) << error;
    EXPECT_TRUE(fails("height 3\nglyph A 0\n#x\n"));
    EXPECT_TRUE(fails("height 3\nglyph AB 0\n#\n"));
    EXPECT_TRUE(fails("height 3\nglyph A 0\n\n"));
    EXPECT_TRUE(fails("width 3\n"));
}

TEST_F(SkinToolsTest, IconsUseTheirPaletteAndTheTransparentColour)
{
    IconSheet icons;
    ASSERT_TRUE(read("colour k 0000\ncolour w FFFF\n\nicon a.tga\nkw.\n.wk\n\nicon b.tga\nk\n", icons)) << error;
    ASSERT_EQ(icons.icons().size(), 2u);
    const KESOBitmap& a = *icons.icons()[0].image;
    EXPECT_EQ(icons.icons()[0].name, "a.tga");
    EXPECT_EQ(a.width(), 3);
    EXPECT_EQ(a.height(), 2);
    EXPECT_EQ(a.pixel(1, 0), 0xFFFF);
    EXPECT_EQ(a.pixel(2, 0), TransparentColour);
    EXPECT_EQ(a.pixel(2, 1), 0x0000);

    auto fails = [this](const std::string& text) {
        IconSheet sheet;
        return !read(text, sheet);
    };
    EXPECT_TRUE(fails("icon a.tga\nkx\n"));
    EXPECT_NE(error.find("no colour for 'k'"), std::string::npos) << error;
    EXPECT_TRUE(fails("colour k 10000\n"));
    EXPECT_TRUE(fails("colour . 0000\n"));
    EXPECT_TRUE(fails("colour k 0000\nicon a.tga\nkk\nk\n"));
}

TEST_F(SkinToolsTest, TgaRoundTripKeepsEveryColourButTheLowestGreenBit)
{
    KESOBitmap bitmap;
    bitmap.create(3, 2);
    bitmap.setPixel(0, 0, TransparentColour);
    bitmap.setPixel(1, 0, 0xFFFF);
    bitmap.setPixel(2, 0, 0x1234);
    bitmap.setPixel(0, 1, 0x07E0);
    std::vector<unsigned char> tga = TgaEncoder::encode(bitmap);
    EXPECT_EQ(tga.size(), 18u + 3 * 2 * 2);
    KESOBitmap loaded;
    loaded.loadTGA(tga.data(), static_cast<int>(tga.size()));
    ASSERT_EQ(loaded.width(), 3);
    EXPECT_EQ(loaded.pixel(0, 0), TransparentColour);
    EXPECT_EQ(loaded.pixel(1, 0), 0xFFDF);
    EXPECT_EQ(loaded.pixel(2, 0), 0x1214);
    EXPECT_EQ(loaded.pixel(0, 1), 0x07C0);
    EXPECT_EQ(loaded.pixel(1, 1), 0x0000);
}
