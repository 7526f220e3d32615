#include "gui/KESOBitmap.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tests/support/TgaImage.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The row of a bitmap as a string of '#' (colour c) and '.' (anything else).
std::string row(const KESOBitmap& b, int y, std::uint16_t c = 0xFFFF)
{
    std::string s;
    for (int x = 0; x < b.width(); ++x)
        s += b.pixel(x, y) == c ? '#' : '.';
    return s;
}

int count(const KESOBitmap& b, std::uint16_t c)
{
    int n = 0;
    for (int y = 0; y < b.height(); ++y)
        for (int x = 0; x < b.width(); ++x)
            n += b.pixel(x, y) == c;
    return n;
}

} // namespace

TEST(KESOBitmap, CreateClearsAndDestroyEmpties)
{
    KESOBitmap b;
    EXPECT_TRUE(b.isEmpty());
    b.create(3, 2);
    EXPECT_EQ(b.width(), 3);
    EXPECT_EQ(b.stride(), 3);
    EXPECT_EQ(count(b, 0), 6);
    b.create(4, 4); // a second create replaces the pixels
    EXPECT_EQ(b.width(), 4);
    b.destroy();
    EXPECT_TRUE(b.isEmpty());
    EXPECT_EQ(b.width(), 0);
    EXPECT_EQ(b.height(), 0);
    b.destroy();
}

TEST(KESOBitmap, EmptyBitmapDrawsNothing)
{
    KESOBitmap b;
    b.setPixel(0, 0, 1);
    b.drawHLine(0, 0, 10, 1);
    b.drawVLine(0, 0, 10, 1);
    b.fillGradient(0, 0, 10, 10, 0, 0xFFFF);
    b.blendVLine(0, 0, 10, 1);
    b.darkenRect(0, 0, 10, 10);
    b.clear(1);
    EXPECT_TRUE(b.isEmpty());
}

TEST(KESOBitmap, HorizontalLinesExcludeTheEndAndSwapReversedEnds)
{
    KESOBitmap b;
    b.create(10, 3);
    b.drawHLine(5, 0, 2, 0xFFFF);
    EXPECT_EQ(row(b, 0), "..###.....");
    b.drawHLine(-3, 1, 20, 0xFFFF);
    EXPECT_EQ(row(b, 1), "##########");
    b.drawHLine(0, -1, 10, 0xFFFF);
    b.drawHLine(0, 3, 10, 0xFFFF);
    b.drawHLine(4, 2, 4, 0xFFFF);
    EXPECT_EQ(row(b, 2), "..........");
    EXPECT_EQ(count(b, 0xFFFF), 13);
}

TEST(KESOBitmap, VerticalLinesDoNotSwapReversedEnds)
{
    KESOBitmap b;
    b.create(3, 6);
    b.drawVLine(0, 5, 2, 0xFFFF);
    EXPECT_EQ(count(b, 0xFFFF), 0);
    b.drawVLine(1, -4, 100, 0xFFFF);
    EXPECT_EQ(count(b, 0xFFFF), 6);
    b.drawVLine(2, 1, 3, 0xFFFF);
    EXPECT_EQ(b.pixel(2, 0), 0);
    EXPECT_EQ(b.pixel(2, 1), 0xFFFF);
    EXPECT_EQ(b.pixel(2, 2), 0xFFFF);
    EXPECT_EQ(b.pixel(2, 3), 0);
    b.drawVLine(3, 0, 6, 0x1234);
    b.drawVLine(-1, 0, 6, 0x1234);
    EXPECT_EQ(count(b, 0x1234), 0);
}

TEST(KESOBitmap, RectOutlineIsClosedWhileFillExcludesEnds)
{
    KESOBitmap b;
    b.create(6, 5);
    b.drawRect(0, 0, 3, 2, 0xFFFF);
    EXPECT_EQ(row(b, 0), "####..");
    EXPECT_EQ(row(b, 1), "#..#..");
    EXPECT_EQ(row(b, 2), "####..");
    EXPECT_EQ(count(b, 0xFFFF), 10);
    b.clear(0);
    b.fillRect(1, 1, 4, 3, 0xFFFF);
    EXPECT_EQ(row(b, 0), "......");
    EXPECT_EQ(row(b, 1), ".###..");
    EXPECT_EQ(row(b, 2), ".###..");
    EXPECT_EQ(row(b, 3), "......");
}

TEST(KESOBitmap, DarkenAndBlendHalveChannels)
{
    KESOBitmap b;
    b.create(4, 4);
    b.clear(0xFFFF);
    b.darkenRect(1, 1, 3, 2);
    EXPECT_EQ(b.pixel(1, 1), 0x7BEF);
    EXPECT_EQ(b.pixel(2, 1), 0x7BEF);
    EXPECT_EQ(b.pixel(3, 1), 0xFFFF);
    EXPECT_EQ(b.pixel(1, 2), 0xFFFF);
    b.clear(0xF800);
    b.blendVLine(0, 0, 2, 0x001F);
    EXPECT_EQ(b.pixel(0, 0), 0x780F); // half red plus half blue
    EXPECT_EQ(b.pixel(0, 2), 0xF800);
    b.blendVLine(1, 3, 1, 0x001F); // reversed: nothing
    EXPECT_EQ(b.pixel(1, 1), 0xF800);
}

TEST(KESOBitmap, GradientDithersOddRows)
{
    KESOBitmap b;
    b.create(2, 8);
    b.fillGradient(0, 3, 2, 5, 0x0000, 0xFFFF);
    EXPECT_EQ(b.pixel(0, 3), blend565(0x0000, 0xFFFF, 1)); // odd row: weight (3 & 1)
    EXPECT_EQ(b.pixel(1, 4), blend565(0x0000, 0xFFFF, 16)); // (4 & 1) + 32768 >> 11
    EXPECT_EQ(b.pixel(0, 5), 0);
    b.clear(0x1234);
    b.fillGradient(0, 5, 2, 5, 0, 0);
    b.fillGradient(0, 5, 2, 2, 0, 0);
    EXPECT_EQ(b.pixel(0, 4), 0x1234);
    b.fillGradient(0, -2, 2, 8, 0xFFFF, 0x0000); // clipped rows keep their weights
    EXPECT_EQ(b.pixel(0, 0), blend565(0xFFFF, 0x0000, (0 & 1) + ((2 * (65536 / 10)) >> 11)));
    EXPECT_EQ(b.pixel(0, 7), blend565(0xFFFF, 0x0000, 1 + ((9 * (65536 / 10)) >> 11)));
}

TEST(KESOBitmap, BlitClipsAgainstSourceAndDestination)
{
    KESOBitmap src;
    src.create(10, 2);
    for (int x = 0; x < 10; ++x)
        src.setPixel(x, 0, static_cast<std::uint16_t>(100 + x));
    KESOBitmap dst;
    dst.create(10, 2);
    src.blit(dst, -3, 0, 0, 0, 10, 1, copyRow, -1, true);
    for (int x = 0; x < 7; ++x)
        EXPECT_EQ(dst.pixel(x, 0), 103 + x);
    EXPECT_EQ(dst.pixel(7, 0), 0);

    dst.clear(0);
    src.blit(dst, 8, 1, 0, 0, 10, 5, copyRow, -1, true);
    EXPECT_EQ(dst.pixel(8, 1), 100);
    EXPECT_EQ(dst.pixel(9, 1), 101);
    EXPECT_EQ(dst.pixel(7, 1), 0);

    dst.clear(0);
    src.blit(dst, 0, 0, -2, 0, 4, 1, copyRow, -1, true); // source starts left of the image
    EXPECT_EQ(dst.pixel(0, 0), 0);
    EXPECT_EQ(dst.pixel(2, 0), 100);
    EXPECT_EQ(dst.pixel(3, 0), 101);
    EXPECT_EQ(dst.pixel(4, 0), 0);

    dst.clear(7);
    src.blit(dst, 10, 0, 0, 0, 10, 1, copyRow, -1, true);
    src.blit(dst, -10, 0, 0, 0, 10, 1, copyRow, -1, true);
    src.blit(dst, 0, 0, 10, 0, 10, 1, copyRow, -1, true);
    src.blit(dst, 0, 0, 0, 0, 0, 1, copyRow, -1, true);
    KESOBitmap empty;
    empty.blit(dst, 0, 0, 0, 0, 5, 5, copyRow, -1, true);
    src.blit(empty, 0, 0, 0, 0, 5, 5, copyRow, -1, true);
    EXPECT_EQ(count(dst, 7), 20);
}

TEST(KESOBitmap, BlitCentredTruncatesHalves)
{
    KESOBitmap src;
    src.create(3, 3);
    src.clear(0xFFFF);
    KESOBitmap dst;
    dst.create(8, 8);
    src.blitCentred(dst, 4, 4, copyRow, -1);
    EXPECT_EQ(dst.pixel(3, 3), 0xFFFF);
    EXPECT_EQ(dst.pixel(5, 5), 0xFFFF);
    EXPECT_EQ(dst.pixel(2, 2), 0);
    EXPECT_EQ(dst.pixel(6, 6), 0);
    src.blitCentred(dst, 0, 0, copyRow, -1); // cut by the edges
    EXPECT_EQ(dst.pixel(0, 0), 0xFFFF);
    EXPECT_EQ(dst.pixel(1, 1), 0xFFFF);
}

TEST(KESOBitmap, TgaIsReadBottomUpAndTurnedIntoRgb565)
{
    std::vector<unsigned char> tga = makeTga(2, 2, {0x001F, 0x03E0, 0x7C00, 0x7C1F});
    KESOBitmap b;
    b.loadTGA(tga.data(), static_cast<int>(tga.size()));
    ASSERT_EQ(b.width(), 2);
    ASSERT_EQ(b.height(), 2);
    EXPECT_EQ(b.pixel(0, 0), 0xF800);
    EXPECT_EQ(b.pixel(1, 0), 0xF81F);
    EXPECT_EQ(b.pixel(0, 1), 0x001F);
    EXPECT_EQ(b.pixel(1, 1), 0x07C0);
    std::vector<unsigned char> attribute = makeTga(1, 1, {0xFC1F}); // the top bit is dropped
    b.loadTGA(attribute.data(), static_cast<int>(attribute.size()));
    EXPECT_EQ(b.pixel(0, 0), TransparentColour);
}

TEST(KESOBitmap, MalformedTgaLoadsEmpty)
{
    std::vector<unsigned char> good = makeTga(2, 2, {1, 2, 3, 4});
    KESOBitmap b;
    auto loads = [&b](std::vector<unsigned char> bytes) {
        b.create(1, 1);
        b.loadTGA(bytes.data(), static_cast<int>(bytes.size()));
        return !b.isEmpty();
    };
    EXPECT_TRUE(loads(good));
    std::vector<unsigned char> shortened(good.begin(), good.end() - 1);
    EXPECT_FALSE(loads(shortened));
    EXPECT_FALSE(loads(std::vector<unsigned char>(good.begin(), good.begin() + 17)));
    EXPECT_FALSE(loads(makeTga(2, 2, {1, 2, 3, 4}, 10)));     // run-length compressed
    EXPECT_FALSE(loads(makeTga(2, 2, {1, 2, 3, 4}, 2, 24)));  // another depth
    std::vector<unsigned char> withId = good;
    withId[0] = 4;
    EXPECT_FALSE(loads(withId));
    std::vector<unsigned char> huge = makeTga(0xFFFF, 0xFFFF, {});
    EXPECT_FALSE(loads(huge));
    EXPECT_FALSE(loads(makeTga(0, 5, {})));
    b.loadTGA(nullptr, 100);
    EXPECT_TRUE(b.isEmpty());
}

TEST(KESOBitmap, LoadReadsFilesAndIgnoresMissingOnes)
{
    FakeServices services;
    TempDir dir;
    dir.writeBytes("a.tga", makeSolidTga(3, 2, 0x07C0));
    KESOBitmap b;
    b.load(dir.file("a.tga"));
    ASSERT_EQ(b.width(), 3);
    EXPECT_EQ(b.pixel(2, 1), 0x07C0);
    b.load(dir.file("missing.tga")); // unchanged
    EXPECT_EQ(b.width(), 3);
    dir.writeBytes("bad.tga", {1, 2, 3});
    b.load(dir.file("bad.tga"));
    EXPECT_TRUE(b.isEmpty());
}
