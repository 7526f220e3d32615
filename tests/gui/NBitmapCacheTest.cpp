#include "foundation/ChunkFile.h"
#include "gui/NBitmapCache.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tests/support/TgaImage.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <vector>

namespace {

std::vector<unsigned char> whiteTga(int width)
{
    return makeTga(width, 1, std::vector<std::uint16_t>(static_cast<size_t>(width), 0x7FFF));
}

// A pack entry holding a white image `width` x 1, with a size field that lies unless it is 0.
struct PackEntry {
    std::uint32_t number;
    const char16_t* name;
    int width;
    int claimedSize = 0;
};

} // namespace

TEST(NBitmapCacheTest, PackEntriesLoadByNumberUpToAGapSkippingBadSizesEarlierNamesWinAndAFullTableTakesNoMore)
{
    FakeServices services;
    TempDir dir;
    NBitmapCache cache;
    services.programPath.path = dir.path("ruzi");
    std::filesystem::create_directories(dir.path("skin"));
    const auto loadPack = [&](const std::vector<PackEntry>& entries) {
        ChunkFile file(makeAppPath(u"skin/skin.dat"), false);
        file.descend(chunkTag("PACK"));
        for (const PackEntry& e : entries) {
            std::vector<unsigned char> image = whiteTga(e.width);
            file.descend(e.number);
            file.writeString(e.name);
            file.writeInt(e.claimedSize != 0 ? e.claimedSize : static_cast<int>(image.size()));
            file.writeBytes(image.data(), static_cast<int>(image.size()));
            file.ascend();
        }
        file.ascend();
        ASSERT_TRUE(file.finish());
        cache.loadPackfile(makeAppPath(u"skin\\skin.dat"));
    };
    const auto widthOf = [&](const char16_t* name) { return cache.request(makeAppPath(name))->width(); };
    loadPack({{2, u"lying.tga", 2, 1000}, {1, u"one.tga", 1}, {3, u"negative.tga", 2, -5}, {4, u"abc", 3},
              {5, u"one.tga", 4}, {7, u"seven.tga", 7}});
    EXPECT_EQ(cache.count(), 3);
    dir.writeBytes("skin/lying.tga", whiteTga(5));
    // An odd name length is padded before the size; the lying entry falls back to the loose file.
    EXPECT_EQ((std::array{widthOf(u"skin\\one.tga"), widthOf(u"skin\\abc"), widthOf(u"skin\\lying.tga"),
                          widthOf(u"skin\\seven.tga")}),
              (std::array{1, 3, 5, 0}));
    std::vector<PackEntry> entries;
    for (std::uint32_t k = 1; k <= NBitmapCache::Capacity + 4; ++k)
        entries.push_back({k, u"x", 0});
    loadPack(entries);
    EXPECT_EQ(cache.count(), NBitmapCache::Capacity);
    EXPECT_TRUE(cache.request(u"one too many")->isEmpty());
    EXPECT_EQ(cache.count(), NBitmapCache::Capacity);
}
