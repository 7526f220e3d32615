#include "gui/RowConverter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::vector<std::uint16_t> convert16(RowConverter convert, std::vector<std::uint32_t> src)
{
    std::vector<unsigned char> bytes(src.size() * 2);
    convert(src.data(), bytes.data(), static_cast<int>(src.size()));
    std::vector<std::uint16_t> out(src.size());
    std::memcpy(out.data(), bytes.data(), bytes.size());
    return out;
}

} // namespace

TEST(RowConverter, SixteenBitFormats)
{
    RowConverter rgb565 = chooseRowConverter(16, 0xF800, 0x07E0, 0x001F);
    ASSERT_NE(rgb565, nullptr);
    EXPECT_EQ(convert16(rgb565, {0x00FFFFFF, 0x00123456}), (std::vector<std::uint16_t>{0xFFFF, 0x11AA}));
    RowConverter bgr565 = chooseRowConverter(16, 0x001F, 0x07E0, 0xF800);
    ASSERT_NE(bgr565, nullptr);
    EXPECT_EQ(convert16(bgr565, {0x00FF0000, 0x000000FF}), (std::vector<std::uint16_t>{0x001F, 0xF800}));
    RowConverter rgb555 = chooseRowConverter(16, 0x7C00, 0x03E0, 0x001F);
    ASSERT_NE(rgb555, nullptr);
    EXPECT_EQ(convert16(rgb555, {0x00FFFFFF, 0x0000FF00}), (std::vector<std::uint16_t>{0x7FFF, 0x03E0}));
    RowConverter bgr555 = chooseRowConverter(16, 0x001F, 0x03E0, 0x7C00);
    ASSERT_NE(bgr555, nullptr);
    EXPECT_EQ(convert16(bgr555, {0x00FF0000, 0x000000FF}), (std::vector<std::uint16_t>{0x001F, 0x7C00}));
}

TEST(RowConverter, ThirtyTwoAndTwentyFourBitFormats)
{
    std::vector<std::uint32_t> src = {0x00123456, 0x00ABCDEF};
    std::vector<std::uint32_t> out(2, 0xDEADBEEF);
    chooseRowConverter(32, 0xFF0000, 0x00FF00, 0x0000FF)(src.data(), reinterpret_cast<unsigned char*>(out.data()), 2);
    EXPECT_EQ(out, src);
    chooseRowConverter(32, 0x0000FF, 0x00FF00, 0xFF0000)(src.data(), reinterpret_cast<unsigned char*>(out.data()), 2);
    EXPECT_EQ(out, (std::vector<std::uint32_t>{0x00563412, 0x00EFCDAB}));

    std::vector<unsigned char> bytes(7, 0xEE);
    chooseRowConverter(24, 0xFF0000, 0x00FF00, 0x0000FF)(src.data(), bytes.data(), 2);
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0x56, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0xEE}));
    chooseRowConverter(24, 0x0000FF, 0x00FF00, 0xFF0000)(src.data(), bytes.data(), 2);
    EXPECT_EQ(bytes, (std::vector<unsigned char>{0x12, 0x34, 0x56, 0xAB, 0xCD, 0xEF, 0xEE}));
}

TEST(RowConverter, UnknownFormatsHaveNoConverter)
{
    EXPECT_EQ(chooseRowConverter(8, 0xE0, 0x1C, 0x03), nullptr);
    EXPECT_EQ(chooseRowConverter(16, 0xF800, 0x07E0, 0x003F), nullptr);
    EXPECT_EQ(chooseRowConverter(24, 0xF800, 0x07E0, 0x001F), nullptr);
    EXPECT_EQ(chooseRowConverter(32, 0xFF000000, 0x00FF0000, 0x0000FF00), nullptr);
}
