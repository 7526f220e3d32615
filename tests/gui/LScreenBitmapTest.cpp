#include "gui/LScreenBitmap.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using LScreenBitmapTest = GuiTestScreen;
using Frame = std::vector<std::uint32_t>;

std::vector<int> dirty(int i)
{
    const KESORect& r = LScreenBitmap::dirtyRect(i);
    return {r.x, r.y, r.w, r.h};
}

} // namespace

TEST_F(LScreenBitmapTest, InvalidateClipsToTheScreenKeepsDuplicatesAndCollapsesAFullList)
{
    for (KESORect r : {KESORect{-5, -5, 20, 20}, {230, 0, 20, 10}, {0, 310, 5, 20}, {230, 0, 20, 10}})
        screen().invalidate(r);
    ASSERT_EQ(LScreenBitmap::dirtyCount(), 4);
    EXPECT_EQ(dirty(0), (std::vector<int>{0, 0, 15, 15}));
    EXPECT_EQ(dirty(2), (std::vector<int>{0, 310, 5, 10}));
    EXPECT_EQ(dirty(3), (std::vector<int>{230, 0, 10, 10}));
    while (LScreenBitmap::dirtyCount() < LScreenBitmap::MaxDirtyRects)
        screen().invalidate({1, 1, 1, 1});
    screen().invalidate({5, 5, 1, 1});
    ASSERT_EQ(LScreenBitmap::dirtyCount(), 1);
    EXPECT_EQ(dirty(0), (std::vector<int>{0, 0, 240, 320}));
}

TEST_F(LScreenBitmapTest, FlushConvertsOnlyDirtyAreasWithoutBitReplicationThenEmptiesTheList)
{
    const std::uint16_t row[] = {0xFFFF, 0xFFFF, TransparentColour, 0x1234, 0xFFFF};
    for (int i = 0; i < 5; ++i)
        screen().setPixel(9 + i, 20, row[i]);
    for (KESORect r : {KESORect{10, 20, 3, 1}, {300, 10, 10, 10}, {10, 400, 10, 10}, {-50, 0, 20, 10}, {5, 5, 0, 0}})
        screen().invalidate(r);
    Frame frame(240 * 320, 0xDEADBEEF), expected = frame;
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
}
