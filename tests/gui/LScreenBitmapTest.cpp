#include "gui/LScreenBitmap.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class LScreenBitmapTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen.create(LScreenBitmap::Width, LScreenBitmap::Height);
        screen.flush(nullptr);
    }
    void TearDown() override { screen.flush(nullptr); }

    LScreenBitmap screen;
    std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(240 * 320, 0xDEADBEEF);
};

void expectRect(const KESORect& r, int x, int y, int w, int h)
{
    EXPECT_EQ(r.x, x);
    EXPECT_EQ(r.y, y);
    EXPECT_EQ(r.w, w);
    EXPECT_EQ(r.h, h);
}

} // namespace

TEST_F(LScreenBitmapTest, InvalidateClipsToTheScreenAndKeepsEverything)
{
    screen.invalidate({-5, -5, 20, 20});
    screen.invalidate({230, 0, 20, 10});
    screen.invalidate({0, 310, 5, 20});
    screen.invalidate({230, 0, 20, 10}); // duplicates are not merged
    ASSERT_EQ(LScreenBitmap::dirtyCount(), 4);
    expectRect(LScreenBitmap::dirtyRect(0), 0, 0, 15, 15);
    expectRect(LScreenBitmap::dirtyRect(1), 230, 0, 10, 10);
    expectRect(LScreenBitmap::dirtyRect(2), 0, 310, 5, 10);
}

TEST_F(LScreenBitmapTest, FullListCollapsesIntoTheWholeScreen)
{
    for (int i = 0; i < LScreenBitmap::MaxDirtyRects; ++i)
        screen.invalidate({1, 1, 1, 1});
    EXPECT_EQ(LScreenBitmap::dirtyCount(), LScreenBitmap::MaxDirtyRects);
    screen.invalidate({5, 5, 1, 1});
    ASSERT_EQ(LScreenBitmap::dirtyCount(), 1);
    expectRect(LScreenBitmap::dirtyRect(0), 0, 0, 240, 320);
    screen.setPixel(239, 319, 0xFFFF);
    screen.flush(frame.data());
    EXPECT_EQ(frame[239 + 319 * 240], 0x00F8FCF8u);
    EXPECT_EQ(frame[0], 0u);
}

TEST_F(LScreenBitmapTest, FlushConvertsOnlyDirtyAreasWithoutBitReplication)
{
    screen.setPixel(10, 20, 0xFFFF);
    screen.setPixel(11, 20, TransparentColour);
    screen.setPixel(12, 20, 0x1234);
    screen.setPixel(13, 20, 0xFFFF); // outside the rectangle
    screen.invalidate({10, 20, 3, 1});
    screen.flush(frame.data());
    EXPECT_EQ(frame[10 + 20 * 240], 0x00F8FCF8u);
    EXPECT_EQ(frame[11 + 20 * 240], 0x00F800F8u);
    EXPECT_EQ(frame[12 + 20 * 240], 0x001044A0u);
    EXPECT_EQ(frame[13 + 20 * 240], 0xDEADBEEFu);
    EXPECT_EQ(frame[9 + 20 * 240], 0xDEADBEEFu);
    EXPECT_EQ(LScreenBitmap::dirtyCount(), 0);
}

TEST_F(LScreenBitmapTest, EmptyAndOutsideRectanglesConvertNothing)
{
    screen.clear(0xFFFF);
    screen.invalidate({300, 10, 10, 10});
    screen.invalidate({10, 400, 10, 10});
    screen.invalidate({-50, 0, 20, 10});
    screen.invalidate({5, 5, 0, 0});
    screen.flush(frame.data());
    for (std::uint32_t p : frame)
        ASSERT_EQ(p, 0xDEADBEEFu);
    screen.invalidate({0, 0, 1, 1});
    screen.flush(nullptr); // only empties the list
    EXPECT_EQ(LScreenBitmap::dirtyCount(), 0);
    EXPECT_EQ(frame[0], 0xDEADBEEFu);
}
