#include "foundation/ChunkFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <sys/stat.h>

namespace {

using Bytes = std::vector<unsigned char>;

Bytes intBytes(std::uint32_t v) // little-endian
{
    return {Bytes::value_type(v), Bytes::value_type(v >> 8), Bytes::value_type(v >> 16), Bytes::value_type(v >> 24)};
}

Bytes join(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

// A chunk header followed by raw data, exactly as given (lengths may lie).
Bytes chunk(const char* tag, std::int32_t length, const Bytes& data)
{
    return join({Bytes(tag, tag + 4), intBytes(static_cast<std::uint32_t>(length)), data});
}

class ChunkFileTest : public ::testing::Test {
protected:
    TempDir dir;
};

} // namespace

// Siblings are searched from the parent's start each time; past a chunk's end reads yield zeros.
TEST_F(ChunkFileTest, WritesLengthsThatCoverEverythingInsideWithPaddingAndReadsStayInsideTheChunk)
{
    {
        ChunkFile file(dir.file("nest.bin"), false);
        ASSERT_FALSE(file.failed());
        file.descend(chunkTag("OUTR"));
        file.descend(chunkTag("LOOP"));
        file.writeInt(7);
        const unsigned char three[3] = {1, 2, 3};
        file.writeBytes(three, 3);
        file.ascend();
        file.writeString(u"abc"); // 4 + 6 + 2 padding
        file.writeString(u"");
        file.ascend();
        EXPECT_TRUE(file.finish());
    }
    Bytes loop = chunk("LOOP", 8, join({intBytes(7), Bytes{1, 2, 3, 0}}));
    Bytes strings = join({intBytes(3), Bytes{'a', 0, 'b', 0, 'c', 0, 0, 0}, intBytes(0)});
    EXPECT_EQ(dir.readBytes("nest.bin"), chunk("OUTR", 32, join({loop, strings})));
    dir.writeBytes("f.bin", join({chunk("XXXX", 4, intBytes(1)), chunk("STR ", 4, intBytes(0x7FFFFFFF)),
                                  chunk("NEG ", 4, intBytes(0xFFFFFFFF)), chunk("BLK ", 4, Bytes{9, 9, 9, 9}),
                                  chunk("ODD ", 6, join({intBytes(3), Bytes{'x', 0}}))}));
    ChunkFile file(dir.file("f.bin"), true);
    EXPECT_FALSE(file.descend(chunkTag("NONE")));
    ASSERT_TRUE(file.descend(chunkTag("BLK ")));
    unsigned char block[64];
    std::memset(block, 0xEE, sizeof block);
    file.readBytes(block, 64);
    EXPECT_EQ((std::array{block[3], block[4], block[63]}), (std::array<unsigned char, 3>{9, 0, 0}));
    EXPECT_EQ(file.readInt(), 0); // beyond the chunk: zeros, not the next chunk's bytes
    file.ascend();
    ASSERT_TRUE(file.descend(chunkTag("XXXX")));
    EXPECT_EQ((std::array{file.chunkSize(), file.readInt(), file.readInt()}), (std::array{4, 1, 0}));
    file.ascend();
    // String counts that cannot fit: huge, negative, 3 characters in 2 bytes.
    for (std::uint32_t tag : {chunkTag("STR "), chunkTag("NEG "), chunkTag("ODD ")}) {
        ASSERT_TRUE(file.descend(tag));
        EXPECT_EQ(file.readString().length(), 0) << tag;
        file.ascend();
    }
}

// The reasons ruzi-render reports for songs and outputs it cannot open are checked there; here a
// failed file reads as empty, and a pipe is refused before it could wait for ever for a writer.
// Lengths the search cannot skip safely end it (one that runs past its parent, the fuzz replay's
// overrun, and one that goes backwards, which would search for ever); empty chunks are skipped.
TEST_F(ChunkFileTest, FilesThatCannotBeOpenedAndLengthsThatCannotBeSkippedEndTheSearch)
{
    ChunkFile file(dir.file("absent.vdl"), true);
    EXPECT_TRUE(file.failed());
    EXPECT_FALSE(file.descend(chunkTag("VSF1")));
    EXPECT_EQ(file.readInt(), 0);
    EXPECT_TRUE(ChunkFile(String::fromUtf8(dir.path("")), true).failed()); // a folder
    ASSERT_EQ(::mkfifo(dir.path("pipe").c_str(), 0600), 0);
    ChunkFile pipe(dir.file("pipe"), true);
    EXPECT_TRUE(pipe.failed());
    EXPECT_EQ(pipe.errorText().toUtf8(), "Not a regular file");
    for (const Bytes& bytes : {join({chunk("BAD ", -8, intBytes(1)), chunk("GOOD", 4, intBytes(5))}),
                               chunk("OUTR", 12, join({chunk("GOOD", 40, intBytes(5))})),
                               join({chunk("ZERO", 0, {}), chunk("ZERO", 0, {})})}) {
        dir.writeBytes("bad.bin", bytes);
        ChunkFile bad(dir.file("bad.bin"), true);
        if (bad.descend(chunkTag("OUTR")))
            EXPECT_FALSE(bad.descend(chunkTag("GOOD")));
        else
            EXPECT_FALSE(bad.descend(chunkTag("GOOD")) || bad.descend(chunkTag("MISS")));
    }
}
