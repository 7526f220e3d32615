#include "gui/KESOBitmap.h"
#include "tests/support/TgaImage.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace {

// The bitmap as rows of '#' (colour c) and '.' (anything else), each row ending in '/'.
std::string picture(const KESOBitmap& b, std::uint16_t c = 0xFFFF)
{
    std::string s;
    for (int y = 0; y < b.height(); ++y, s += '/')
        for (int x = 0; x < b.width(); ++x)
            s += b.pixel(x, y) == c ? '#' : '.';
    return s;
}

bool loads(KESOBitmap& b, const std::vector<unsigned char>& bytes)
{
    b.create(1, 1);
    b.loadTGA(bytes.data(), static_cast<int>(bytes.size()));
    return !b.isEmpty();
}

} // namespace

// Where outlines and fills end is pinned by the screen checksums, which draw only inside the screen.
TEST(KESOBitmap, LinesClipToTheBitmapWithTheseEnds)
{
    KESOBitmap b;
    b.create(6, 4);
    // Horizontal lines exclude their end and swap reversed ends; vertical ones do neither.
    for (auto [x0, y, x1] : {std::array{4, 0, 1}, {-3, 1, 20}, {4, 2, 4}, {0, -1, 6}, {0, 4, 6}})
        b.drawHLine(x0, y, x1, 0xFFFF);
    EXPECT_EQ(picture(b), ".###../######/....../....../");
    b.clear(0);
    for (auto [x, y0, y1] : {std::array{0, 3, 1}, {1, -4, 100}, {2, 1, 3}, {6, 0, 4}, {-1, 0, 4}})
        b.drawVLine(x, y0, y1, 0xFFFF);
    EXPECT_EQ(picture(b), ".#..../.##.../.##.../.#..../");
}

TEST(KESOBitmap, BlitClipsAgainstSourceAndDestination)
{
    KESOBitmap src, dst, empty;
    src.create(4, 2);
    for (int x = 0; x < 4; ++x)
        src.setPixel(x, 0, static_cast<std::uint16_t>(1 + x));
    dst.create(6, 2);
    // The destination after one blit onto 7s, a digit per pixel.
    auto blit = [&dst](const KESOBitmap& from, int dx, int dy, int sx, int sy, int w, int h) {
        dst.clear(7);
        from.blit(dst, dx, dy, sx, sy, w, h, copyRow, -1, true);
        std::string s;
        for (int i = 0; i < 12; ++i)
            s += static_cast<char>('0' + dst.pixel(i % 6, i / 6)) + std::string(i == 5 ? "/" : "");
        return s;
    };
    EXPECT_EQ(blit(src, 0, 0, 0, 0, 4, 2), "123477/000077");
    EXPECT_EQ(blit(src, -2, 0, 0, 0, 4, 1), "347777/777777");
    EXPECT_EQ(blit(src, 3, 0, 0, 0, 10, 1), "777123/777777");
    EXPECT_EQ(blit(src, 4, 1, 0, 0, 4, 5), "777777/777712");
    EXPECT_EQ(blit(src, 0, 0, -2, 0, 4, 1), "771277/777777");
    EXPECT_EQ(blit(src, 0, 0, 0, 1, 4, 5), "000077/777777");
    for (auto [dx, sx, w] : {std::array{6, 0, 4}, {-4, 0, 4}, {-5, 0, 4}, {0, 4, 4}, {0, 0, 0}})
        EXPECT_EQ(blit(src, dx, 0, sx, 0, w, 1), "777777/777777") << dx << " " << sx << " " << w;
    EXPECT_EQ(blit(empty, 0, 0, 0, 0, 4, 1), "777777/777777");
}

TEST(KESOBitmap, TgaIsReadBottomUpIntoRgb565AndAnythingElseLoadsEmpty)
{
    KESOBitmap b;
    ASSERT_TRUE(loads(b, makeTga(2, 2, {0x001F, 0x03E0, 0x7C00, 0xFC1F}))); // the attribute bit is dropped
    EXPECT_EQ(picture(b, 0xF800) + picture(b, TransparentColour), "#./../.#/../");
    EXPECT_EQ(picture(b, 0x001F) + picture(b, 0x07C0), "../#./../.#/");
    // Cut short, or its header claiming more pixels than it holds.
    const std::vector<unsigned char> good = makeTga(2, 2, {1, 2, 3, 4});
    EXPECT_FALSE(loads(b, {good.begin(), good.end() - 1}));
    EXPECT_FALSE(loads(b, makeTga(0xFFFF, 0xFFFF, {})));
}
