#include "gui/LFont.h"
#include "gui/LScreenBitmap.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

using LScreenBitmapTest = GuiTestScreen;

// Text drawn into the screen in the test font of GuiTestScreen ("A" is 1 wide, "B" 2).
using LFontTest = GuiTestScreen;
const LFont& font = *LFont::font(LFont::Interface);

// Rows y0 ... y1 - 1 of the screen's left edge as '#' (colour c) and '.', each ending in '/'.
std::string rows(int y0, int y1, std::uint16_t c = 0xF800)
{
    std::string s;
    for (int y = y0; y < y1; ++y, s += '/')
        for (int x = 0; x < 12; ++x)
            s += LScreenBitmap::instance().pixel(x, y) == c ? '#' : '.';
    return s;
}

} // namespace

TEST_F(LScreenBitmapTest, FlushConvertsOnlyDirtyAreasWithoutBitReplicationThenEmptiesTheList)
{
    const std::uint16_t row[] = {0xFFFF, 0xFFFF, TransparentColour, 0x1234, 0xFFFF};
    for (int i = 0; i < 5; ++i)
        screen().setPixel(9 + i, 20, row[i]);
    for (KESORect r : {KESORect{10, 20, 3, 1}, {300, 10, 10, 10}, {10, 400, 10, 10}, {-50, 0, 20, 10}, {5, 5, 0, 0}})
        screen().invalidate(r);
    std::vector<std::uint32_t> frame(240 * 320, 0xDEADBEEF), expected = frame;
    expected[10 + 20 * 240] = 0x00F8FCF8;
    expected[11 + 20 * 240] = 0x00F800F8;
    expected[12 + 20 * 240] = 0x001044A0;
    screen().flush(frame.data());
    EXPECT_EQ(frame, expected);
    EXPECT_EQ(LScreenBitmap::dirtyCount(), 0);
    screen().invalidate({0, 0, 240, 320});
    screen().flush(nullptr);
    screen().flush(frame.data());
    EXPECT_EQ(frame, expected);
    // A full list of areas stands for the whole screen: an area marked after it is drawn all the same.
    while (LScreenBitmap::dirtyCount() < LScreenBitmap::MaxDirtyRects)
        screen().invalidate({1, 1, 1, 1});
    screen().setPixel(200, 300, 0xFFFF);
    screen().invalidate({200, 300, 1, 1});
    screen().flush(frame.data());
    EXPECT_EQ(frame[200 + 300 * 240], 0x00F8FCF8u);
}

TEST_F(LFontTest, StripScanStopsAt256GlyphsAndNeedsAGlyphRow)
{
    KESOBitmap image;
    LFont f;
    auto scan = [&](int height, const std::string& strip) {
        image.create(static_cast<int>(strip.size()), height);
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, height - 1, strip[x] == '#' ? 0xFFFF : 0x0000);
        f.setImage(&image);
    };
    // How the program's fonts scan shows in every drawing of the screens; here the limits.
    std::string runs;
    for (int i = 0; i < 350; ++i)
        runs += "#.";
    scan(3, runs);
    EXPECT_EQ(std::pair(f.glyphCount(), f.glyphX(255)), std::pair(256, 510));
    scan(2, "##");
    EXPECT_FALSE(f.hasImage());
    EXPECT_EQ(f.textWidth(u"AB"), 0);
    f.drawText(screen(), u"AB", 0, 0, 0xF800, fillRowMasked, 65535);
    EXPECT_EQ(rows(0, 1), "............/");
}

TEST_F(LFontTest, MeasuringCountsFourPerSpaceDrawingThreeAndStrangersCountAsTheFirstGlyph)
{
    EXPECT_EQ(font.textWidth(u"AB"), 1 + 2 + 2); // one after each glyph
    EXPECT_EQ(font.textWidth(u"A B"), 1 + 2 + 2 + 4);
    EXPECT_EQ(font.textWidth(nullptr), 0);
    EXPECT_EQ(font.textWidth(u"\n&\u0162"), 6); // all measured as "A"; the last has the low byte of 'b'
    // Drawing starts new lines at x and stops after reaching maxX; spaces never stop it.
    auto draw = [this](const char16_t* text, int x, int maxX = 65535) {
        screen().clear(0);
        font.drawText(screen(), text, x, 0, 0xF800, fillRowMasked, maxX);
        return rows(0, 1);
    };
    EXPECT_EQ(draw(u"A B", 2), "..#....##.../");
    EXPECT_EQ(rows(4, 7), "..#....##.../............/............/");
    draw(u"A\nB", 3);
    EXPECT_EQ(rows(4, 7), "...#......../............/...##......./");
    EXPECT_EQ(draw(u"AB", 3, 5), "...#......../");
    EXPECT_EQ(draw(u"ABA", 3, 6), "...#.##...../");
    EXPECT_EQ(draw(u"A  B", 1, 4), ".#.......##./");
}
