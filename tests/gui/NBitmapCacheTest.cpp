#include "foundation/ChunkFile.h"
#include "gui/NBitmapCache.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tests/support/TgaImage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

namespace {

constexpr int NoClaim = -1000000;

struct PackEntry {
    std::uint32_t number;
    const char16_t* name;
    std::vector<unsigned char> image;
    int claimedSize = NoClaim; // the size field, when it should lie
};

class NBitmapCacheTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        services.programPath.path = dir.path("ruzi");
        std::filesystem::create_directories(dir.path("skin"));
    }

    void writePack(const std::vector<PackEntry>& entries)
    {
        ChunkFile file(makeAppPath(u"skin/skin.dat"), false);
        file.descend(chunkTag("PACK"));
        for (const PackEntry& e : entries) {
            file.descend(e.number);
            file.writeString(e.name);
            file.writeInt(e.claimedSize != NoClaim ? e.claimedSize : static_cast<int>(e.image.size()));
            file.writeBytes(e.image.data(), static_cast<int>(e.image.size()));
            file.ascend();
        }
        file.ascend();
        ASSERT_TRUE(file.finish());
    }

    KESOBitmap* request(const char16_t* name) { return cache.request(makeAppPath(name)); }

    FakeServices services;
    TempDir dir;
    NBitmapCache cache;
};

} // namespace

TEST_F(NBitmapCacheTest, RequestsLoadOnceAndShareTheBitmap)
{
    dir.writeBytes("skin/a.tga", makeSolidTga(2, 3, 0xFFFF));
    KESOBitmap* a = request(u"skin\\a.tga");
    EXPECT_EQ(a->width(), 2);
    std::filesystem::remove(dir.path("skin/a.tga"));
    EXPECT_EQ(request(u"skin/a.tga"), a); // either separator gives the same key
    EXPECT_EQ(cache.count(), 1);
    EXPECT_NE(request(u"skin\\A.tga"), a); // case matters
    EXPECT_EQ(cache.count(), 2);
}

TEST_F(NBitmapCacheTest, MissingFilesAreCachedAsEmptyBitmaps)
{
    KESOBitmap* missing = request(u"skin\\none.tga");
    EXPECT_TRUE(missing->isEmpty());
    EXPECT_EQ(cache.count(), 1);
    dir.writeBytes("skin/none.tga", makeSolidTga(1, 1, 0));
    EXPECT_EQ(request(u"skin\\none.tga"), missing);
    EXPECT_TRUE(missing->isEmpty());
    cache.empty();
    EXPECT_EQ(cache.count(), 0);
    EXPECT_FALSE(request(u"skin\\none.tga")->isEmpty()); // loaded again after empty
}

TEST_F(NBitmapCacheTest, FullTableRefusesWithAnEmptyBitmap)
{
    for (int i = 0; i < NBitmapCache::Capacity; ++i)
        cache.request(String(u"skin/") + intToString(i));
    EXPECT_EQ(cache.count(), NBitmapCache::Capacity);
    KESOBitmap* refused = cache.request(u"skin/one too many");
    EXPECT_TRUE(refused->isEmpty());
    EXPECT_EQ(cache.count(), NBitmapCache::Capacity);
    EXPECT_EQ(cache.request(String(u"skin/") + intToString(0)), cache.request(String(u"skin/0")));
}

TEST_F(NBitmapCacheTest, PackfileEntriesMayBeStoredInAnyOrder)
{
    writePack({{2, u"two.tga", makeSolidTga(2, 1, 0xF800)},
               {1, u"one.tga", makeSolidTga(1, 1, 0x001F)},
               {3, u"abc", makeSolidTga(3, 1, 0xFFFF)}});
    cache.loadPackfile(makeAppPath(u"skin\\skin.dat"));
    ASSERT_EQ(cache.count(), 3);
    EXPECT_EQ(request(u"skin\\one.tga")->pixel(0, 0), 0x001F);
    EXPECT_EQ(request(u"skin\\two.tga")->width(), 2);
    EXPECT_EQ(request(u"skin\\abc")->width(), 3); // odd name length: padded before the size
    EXPECT_EQ(cache.count(), 3);
}

TEST_F(NBitmapCacheTest, AGapInEntryNumbersEndsThePack)
{
    writePack({{1, u"one.tga", makeSolidTga(1, 1, 0)},
               {2, u"two.tga", makeSolidTga(1, 1, 0)},
               {4, u"four.tga", makeSolidTga(1, 1, 0)}});
    cache.loadPackfile(makeAppPath(u"skin\\skin.dat"));
    EXPECT_EQ(cache.count(), 2);
    EXPECT_TRUE(request(u"skin\\four.tga")->isEmpty());
}

TEST_F(NBitmapCacheTest, EntriesClaimingMoreBytesThanTheyHoldAreSkipped)
{
    PackEntry lying{2, u"lying.tga", makeSolidTga(2, 2, 0xFFFF)};
    lying.claimedSize = 1000;
    PackEntry negative{3, u"negative.tga", makeSolidTga(2, 2, 0xFFFF)};
    negative.claimedSize = -5;
    writePack({{1, u"one.tga", makeSolidTga(1, 1, 0)}, lying, negative, {4, u"four.tga", makeSolidTga(4, 1, 0)}});
    cache.loadPackfile(makeAppPath(u"skin\\skin.dat"));
    EXPECT_EQ(cache.count(), 2);
    dir.writeBytes("skin/lying.tga", makeSolidTga(5, 1, 0));
    EXPECT_EQ(request(u"skin\\lying.tga")->width(), 5); // falls back to the loose file
    EXPECT_EQ(request(u"skin\\four.tga")->width(), 4);
}

TEST_F(NBitmapCacheTest, EarlierEntriesWinOverDuplicates)
{
    writePack({{1, u"same.tga", makeSolidTga(1, 1, 0)}, {2, u"same.tga", makeSolidTga(2, 1, 0)}});
    cache.loadPackfile(makeAppPath(u"skin\\skin.dat"));
    EXPECT_EQ(cache.count(), 2);
    EXPECT_EQ(request(u"skin\\same.tga")->width(), 1);
}

TEST_F(NBitmapCacheTest, BadPackfilesAddNothing)
{
    cache.loadPackfile(makeAppPath(u"skin\\skin.dat")); // missing
    dir.writeBytes("skin/skin.dat", {'N', 'O', 'P', 'E', 0, 0, 0, 0});
    cache.loadPackfile(makeAppPath(u"skin\\skin.dat"));
    dir.writeBytes("skin/skin.dat", {'P', 'A', 'C', 'K', 200, 0, 0, 0, 0, 0, 0, 1}); // truncated
    cache.loadPackfile(makeAppPath(u"skin\\skin.dat"));
    EXPECT_EQ(cache.count(), 0);
}

TEST_F(NBitmapCacheTest, PackfileStopsAtTheTableSize)
{
    std::vector<PackEntry> entries;
    for (std::uint32_t k = 1; k <= NBitmapCache::Capacity + 4; ++k)
        entries.push_back({k, u"x", {}});
    writePack(entries);
    cache.loadPackfile(makeAppPath(u"skin\\skin.dat"));
    EXPECT_EQ(cache.count(), NBitmapCache::Capacity);
    EXPECT_TRUE(cache.request(u"anything")->isEmpty());
}
