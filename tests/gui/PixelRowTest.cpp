#include "gui/PixelRow.h"

#include <gtest/gtest.h>

TEST(PixelRow, Blend565MixesEveryChannel)
{
    EXPECT_EQ(blend565(0x0000, 0xFFFF, 32), 0xFFFF);
    EXPECT_EQ(blend565(0xFFFF, 0x0000, 16), 0x7BEF);
    EXPECT_EQ(blend565(0x1234, 0xFFFF, 0), 0x1234);
    EXPECT_EQ(blend565(0xF800, 0x001F, 16), 0x780F);
    EXPECT_EQ(blend565(0x0000, 0x07E0, 8), 0x01E0);
}

TEST(PixelRow, CopyRowCopiesCountPixels)
{
    std::uint16_t src[3] = {1, TransparentColour, 3};
    std::uint16_t dst[4] = {9, 9, 9, 9};
    copyRow(src, dst, 0, 0);
    EXPECT_EQ(dst[0], 9);
    copyRow(src, dst, 3, 0);
    EXPECT_EQ(dst[1], TransparentColour);
    EXPECT_EQ(dst[3], 9);
}

TEST(PixelRow, KeyedRowsSkipTheTransparentColour)
{
    std::uint16_t src[3] = {0x0000, TransparentColour, 0xFFFF};
    std::uint16_t dst[3] = {9, 9, 9};
    copyRowKeyed(src, dst, 3, -1);
    EXPECT_EQ(dst[0], 0x0000);
    EXPECT_EQ(dst[1], 9);
    EXPECT_EQ(dst[2], 0xFFFF);
}

TEST(PixelRow, MaskedFillPaintsNonBlackPixelsInTheParameterColour)
{
    std::uint16_t src[3] = {0x0000, 0x0001, TransparentColour};
    std::uint16_t dst[3] = {9, 9, 9};
    fillRowMasked(src, dst, 3, 0x7ABCD);
    EXPECT_EQ(dst[0], 9);
    EXPECT_EQ(dst[1], 0xABCD);
    EXPECT_EQ(dst[2], 0xABCD);
}

TEST(PixelRow, GreyRowWashesOutByGreenBrightness)
{
    std::uint16_t src[4] = {0xFFFF, 0x0000, TransparentColour, 0x07E0};
    std::uint16_t dst[4] = {9, 9, 9, 9};
    copyRowKeyedGrey(src, dst, 4, -1);
    EXPECT_EQ(dst[0], blend565(0xFFFF, 0x8410, 16));
    EXPECT_EQ(dst[1], blend565(0x0000, 0x8410, 16));
    EXPECT_EQ(dst[2], 9);
    EXPECT_EQ(dst[3], dst[0]); // pure green is as bright as white
}
