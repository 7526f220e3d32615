#include "gui/KESOBitmap.h"
#include "gui/LFont.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The test font: glyph g is a solid block 1 + g % 4 wide and 5 high. "A" is 1 wide, "B" 2.
class LFontTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        makeTestFontImage(image);
        font.setImage(&image);
        target.create(40, 20);
    }

    // Columns of row y of the target that hold colour c, as '#' and '.'.
    std::string row(int y, std::uint16_t c = 0xF800) const
    {
        std::string s;
        for (int x = 0; x < 20; ++x)
            s += target.pixel(x, y) == c ? '#' : '.';
        return s;
    }

    KESOBitmap image;
    LFont font;
    KESOBitmap target;
};

void setStrip(KESOBitmap& image, const std::string& strip)
{
    for (int x = 0; x < static_cast<int>(strip.size()); ++x)
        image.setPixel(x, image.height() - 1, strip[x] == '#' ? 0xFFFF : 0x0000);
}

} // namespace

TEST_F(LFontTest, StripScanReadsRunsUntilTwoBlackPixels)
{
    KESOBitmap strip;
    strip.create(100, 12);
    setStrip(strip, "###.#####..#####");
    LFont f;
    f.setImage(&strip);
    EXPECT_EQ(f.glyphCount(), 2);
    EXPECT_EQ(f.glyphWidth(0), 3);
    EXPECT_EQ(f.glyphWidth(1), 5);
    EXPECT_EQ(f.glyphX(0), 0);
    EXPECT_EQ(f.glyphX(1), 4);
    EXPECT_EQ(f.height(), 10);
    EXPECT_EQ(font.glyphCount(), 94);
    EXPECT_EQ(font.glyphX(2), 5);
}

TEST_F(LFontTest, StripScanStopsAtTheRowEndAndAfter256Glyphs)
{
    KESOBitmap solid;
    solid.create(7, 3);
    setStrip(solid, "#######");
    LFont f;
    f.setImage(&solid);
    EXPECT_EQ(f.glyphCount(), 1);
    EXPECT_EQ(f.glyphWidth(0), 7);

    KESOBitmap many;
    many.create(700, 3);
    std::string runs;
    for (int i = 0; i < 350; ++i)
        runs += "#.";
    setStrip(many, runs);
    f.setImage(&many);
    EXPECT_EQ(f.glyphCount(), 256);
    EXPECT_EQ(f.glyphX(255), 510);
}

TEST_F(LFontTest, FontWithoutImageDrawsNothingAndMeasuresZero)
{
    LFont none;
    none.setImage(nullptr);
    EXPECT_EQ(none.textWidth(u"AB"), 0);
    none.drawText(target, u"AB", 0, 0, 0xF800, fillRowMasked, 65535);
    KESOBitmap empty;
    none.setImage(&empty);
    EXPECT_FALSE(none.hasImage());
    KESOBitmap flat;
    flat.create(10, 2); // no glyph rows
    none.setImage(&flat);
    EXPECT_FALSE(none.hasImage());
    EXPECT_EQ(none.textWidth(u"AB"), 0);
    EXPECT_EQ(row(0), "....................");
}

TEST_F(LFontTest, CharacterMapFollowsTheGlyphOrder)
{
    EXPECT_EQ(LFont::glyphOf(u'A'), 0);
    EXPECT_EQ(LFont::glyphOf(u'\u00C5'), 26);
    EXPECT_EQ(LFont::glyphOf(u'a'), 29);
    EXPECT_EQ(LFont::glyphOf(u'\u00F6'), 57);
    EXPECT_EQ(LFont::glyphOf(u'1'), 58);
    EXPECT_EQ(LFont::glyphOf(u'0'), 67);
    EXPECT_EQ(LFont::glyphOf(u'#'), 81);
    EXPECT_EQ(LFont::glyphOf(u'"'), 82);
    EXPECT_EQ(LFont::glyphOf(u'\u00A3'), 87);
    EXPECT_EQ(LFont::glyphOf(u'\\'), 88);
    EXPECT_EQ(LFont::glyphOf(u']'), 93);
    EXPECT_EQ(LFont::glyphOf(u'&'), 0);
    EXPECT_EQ(LFont::glyphOf(u'\u00E9'), 0);
    EXPECT_EQ(LFont::glyphOf(u'\u0162'), 0); // low byte 'b' would be glyph 30
}

TEST_F(LFontTest, MeasuringCountsFourPerSpaceAndOneAfterEachGlyph)
{
    EXPECT_EQ(font.textWidth(u"AB"), 1 + 2 + 2);
    EXPECT_EQ(font.textWidth(u"A B"), 1 + 2 + 2 + 4);
    EXPECT_EQ(font.textWidth(u""), 0);
    EXPECT_EQ(font.textWidth(nullptr), 0);
    EXPECT_EQ(font.textWidth(u"\n"), 2);                  // a newline measures as glyph 0
    EXPECT_EQ(font.textWidth(u"&\u00E9"), 4);             // outside the set: like "A"
    EXPECT_EQ(font.textWidth(u"C"), 4);
}

TEST_F(LFontTest, DrawingAdvancesThreePerSpaceAndPaintsMasks)
{
    target.clear(0x0000);
    font.drawText(target, u"A B", 2, 1, 0xF800, fillRowMasked, 65535);
    // "B" lands at x + width of "A" + 1 + 3.
    EXPECT_EQ(row(1), "..#....##...........");
    EXPECT_EQ(row(5), "..#....##...........");
    EXPECT_EQ(row(6), "....................");
    EXPECT_EQ(row(0), "....................");
}

TEST_F(LFontTest, NewlineReturnsToTheStartOneLineDown)
{
    font.drawText(target, u"A\nB", 3, 0, 0xF800, fillRowMasked, 65535);
    EXPECT_EQ(row(0), "...#................");
    EXPECT_EQ(row(5), "....................");
    EXPECT_EQ(row(6), "...##...............");
}

TEST_F(LFontTest, MaxXStopsAfterTheGlyphThatReachesIt)
{
    font.drawText(target, u"AB", 3, 0, 0xF800, fillRowMasked, 4);
    EXPECT_EQ(row(0), "...#................");
    target.clear(0);
    font.drawText(target, u"A   B", 3, 0, 0xF800, fillRowMasked, 6); // spaces never stop
    EXPECT_EQ(row(0), "...#..........##....");
}

TEST_F(LFontTest, ShadowOutlineAndCentring)
{
    font.drawTextShadow(target, u"A", 2, 2, 0xF800, 0x001F);
    EXPECT_EQ(target.pixel(2, 2), 0xF800);
    EXPECT_EQ(target.pixel(3, 7), 0x001F);
    EXPECT_EQ(target.pixel(3, 2), 0x0000);

    target.clear(0);
    font.drawTextOutline(target, u"A", 5, 5, 0xF800, 0x001F);
    EXPECT_EQ(target.pixel(5, 5), 0xF800);
    EXPECT_EQ(target.pixel(4, 5), 0x001F);
    EXPECT_EQ(target.pixel(6, 9), 0x001F);
    EXPECT_EQ(target.pixel(5, 4), 0x001F);
    EXPECT_EQ(target.pixel(5, 10), 0x001F);
    EXPECT_EQ(target.pixel(4, 4), 0x0000);

    target.clear(0);
    // "AB" measures 5 (odd): the left edge lands at cx - 2, the top at cy - 5 / 2.
    font.drawTextCentred(target, u"AB", 10, 10, 0xF800, 0x001F);
    EXPECT_EQ(row(8), "........#.##........");
    EXPECT_EQ(target.pixel(7, 8), 0x0000);
    EXPECT_EQ(target.pixel(8, 7), 0x0000);
}
