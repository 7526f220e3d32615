#include "engine/NAutomatable.h"
#include "engine/NSequencer.h"
#include "foundation/ChunkFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

void fill(NAutomatable& m, int set, int base)
{
    for (int i = 0; i < m.getParameterCount(); ++i) {
        NSequencer::instance().mode = set;
        m.setCurrentSetParameter(i, base + i);
    }
    NSequencer::instance().mode = 0;
}

} // namespace

TEST(NAutomatable, StartsWithTwoZeroSets)
{
    NAutomatable mixer(41);
    EXPECT_EQ(mixer.getParameterCount(), 41);
    for (int i = 0; i < 41; ++i) {
        EXPECT_EQ(mixer.parameter(0, i), 0);
        EXPECT_EQ(mixer.parameter(1, i), 0);
    }
}

TEST(NAutomatable, AutomationWritesTheSongSetAndEditingTheCurrentOne)
{
    NSequencer::instance().mode = 0;
    NAutomatable m(20);
    m.setParameter(3, 99);
    EXPECT_EQ(m.parameter(NAutomatable::SongSet, 3), 99);
    EXPECT_EQ(m.parameter(NAutomatable::PatternSet, 3), 0);
    m.setCurrentSetParameter(4, 77);
    EXPECT_EQ(m.parameter(NAutomatable::PatternSet, 4), 77);
    EXPECT_EQ(m.parameter(NAutomatable::SongSet, 4), 0);
    EXPECT_EQ(m.currentParameter(4), 77);
}

TEST(NAutomatable, IndexesOutsideTheMachineAreIgnored)
{
    NAutomatable m(20);
    m.setParameter(20, 5); // a song may automate any of 64 columns
    m.setParameter(-1, 5);
    m.setCurrentSetParameter(63, 5);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(m.parameter(1, i), 0);
}

TEST(NAutomatable, SaveThenLoadReproducesBothSets)
{
    TempDir dir;
    NAutomatable original(27);
    fill(original, 0, 100);
    fill(original, 1, -50);
    {
        ChunkFile file(dir.file("par.bin"), false);
        file.descend(chunkTag("DATA"));
        original.save(file);
        file.ascend();
    }
    NAutomatable copy(27);
    ChunkFile file(dir.file("par.bin"), true);
    ASSERT_TRUE(file.descend(chunkTag("DATA")));
    copy.load(file);
    for (int i = 0; i < 27; ++i) {
        EXPECT_EQ(copy.parameter(0, i), 100 + i);
        EXPECT_EQ(copy.parameter(1, i), -50 + i);
    }
}

TEST(NAutomatable, LoadTakesWhatIsThereAndZerosWhatIsShort)
{
    TempDir dir;
    {
        ChunkFile file(dir.file("par.bin"), false);
        file.descend(chunkTag("PAR "));
        file.descend(chunkTag("PARp"));
        for (int i = 0; i < 20; ++i)
            file.writeInt(1000 + i); // an older machine with fewer parameters
        file.ascend();
        file.ascend();
    }
    NAutomatable m(27);
    fill(m, 0, 1);
    fill(m, 1, 1);
    ChunkFile file(dir.file("par.bin"), true);
    m.load(file);
    EXPECT_EQ(m.parameter(0, 19), 1019);
    EXPECT_EQ(m.parameter(0, 20), 0);
    EXPECT_EQ(m.parameter(0, 26), 0);
    EXPECT_EQ(m.parameter(1, 5), 6); // no PARs: the song set stays
}

TEST(NAutomatable, LoadWithoutAParameterChunkChangesNothing)
{
    TempDir dir;
    {
        ChunkFile file(dir.file("none.bin"), false);
        file.descend(chunkTag("XXXX"));
        file.ascend();
    }
    NAutomatable m(5);
    fill(m, 0, 9);
    ChunkFile file(dir.file("none.bin"), true);
    m.load(file);
    EXPECT_EQ(m.parameter(0, 4), 13);
    m.resetDefaults();
    EXPECT_EQ(m.parameter(0, 4), 0);
}
