#include "gui/PixelRow.h"
#include "gui/RowConverter.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

TEST(PixelRow, Blend565MixesEveryChannelByAWeightOutOf32)
{
    EXPECT_EQ(blend565(0x0000, 0xFFFF, 32), 0xFFFF);
    EXPECT_EQ(blend565(0xFFFF, 0x0000, 16), 0x7BEF);
    EXPECT_EQ(blend565(0x1234, 0xFFFF, 0), 0x1234);
    EXPECT_EQ(blend565(0xF800, 0x001F, 16), 0x780F);
    EXPECT_EQ(blend565(0x0000, 0x07E0, 8), 0x01E0);
}

TEST(RowConverter, EveryKnownFormatPlacesItsChannelsAndUnknownOnesHaveNoConverter)
{
    struct Format {
        int bits;
        std::uint32_t red, green, blue;
        std::vector<unsigned char> expected; // of 0x123456 and white, then one byte left alone
    };
    const Format formats[] = {
        {32, 0xFF0000, 0x00FF00, 0x0000FF, {0x56, 0x34, 0x12, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0xEE}},
        {32, 0x0000FF, 0x00FF00, 0xFF0000, {0x12, 0x34, 0x56, 0x00, 0xFF, 0xFF, 0xFF, 0x00, 0xEE}},
        {24, 0xFF0000, 0x00FF00, 0x0000FF, {0x56, 0x34, 0x12, 0xFF, 0xFF, 0xFF, 0xEE}},
        {24, 0x0000FF, 0x00FF00, 0xFF0000, {0x12, 0x34, 0x56, 0xFF, 0xFF, 0xFF, 0xEE}},
        {16, 0xF800, 0x07E0, 0x001F, {0xAA, 0x11, 0xFF, 0xFF, 0xEE}},
        {16, 0x001F, 0x07E0, 0xF800, {0xA2, 0x51, 0xFF, 0xFF, 0xEE}},
        {16, 0x7C00, 0x03E0, 0x001F, {0xCA, 0x08, 0xFF, 0x7F, 0xEE}},
        {16, 0x001F, 0x03E0, 0x7C00, {0xC2, 0x28, 0xFF, 0x7F, 0xEE}},
    };
    const std::uint32_t src[] = {0x00123456, 0x00FFFFFF};
    for (const Format& f : formats) {
        RowConverter convert = chooseRowConverter(f.bits, f.red, f.green, f.blue);
        ASSERT_NE(convert, nullptr) << f.bits << " bits, red " << f.red;
        std::vector<unsigned char> out(f.expected.size(), 0xEE);
        convert(src, out.data(), 2);
        EXPECT_EQ(out, f.expected) << f.bits << " bits, red " << f.red;
    }
    for (auto [bits, r, g, b] : {std::array<std::uint32_t, 4>{8, 0xE0, 0x1C, 0x03}, {16, 0xF800, 0x07E0, 0x003F},
                                 {24, 0xF800, 0x07E0, 0x001F}, {32, 0xFF000000, 0x00FF0000, 0x0000FF00}})
        EXPECT_EQ(chooseRowConverter(static_cast<int>(bits), r, g, b), nullptr) << bits;
}
