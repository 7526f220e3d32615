#include "engine/NAutomatable.h"
#include "engine/NSequencer.h"
#include "foundation/ChunkFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

TEST(NAutomatable, AutomationWritesTheSongSetAndEditingTheCurrentOne)
{
    NSequencer::instance().mode = 0;
    NAutomatable m(20);
    EXPECT_EQ(m.parameter(0, 19) | m.parameter(1, 19), 0);
    m.setParameter(3, 99);
    m.setCurrentSetParameter(4, 77);
    EXPECT_EQ(m.parameter(NAutomatable::SongSet, 3), 99);
    EXPECT_EQ(m.parameter(NAutomatable::PatternSet, 3), 0);
    EXPECT_EQ(m.parameter(NAutomatable::PatternSet, 4), 77);
    EXPECT_EQ(m.parameter(NAutomatable::SongSet, 4), 0);
    EXPECT_EQ(m.currentParameter(4), 77);
    // A song may automate any of 64 columns: writes beyond the machine's own are dropped.
    m.setParameter(20, 5);
    m.setParameter(-1, 5);
    m.setCurrentSetParameter(63, 5);
    m.resetDefaults();
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(m.parameter(0, i) | m.parameter(1, i), 0);
}

// That a song's machine loads both sets whole shows in the song loader's tests.
TEST(NAutomatable, LoadTakesWhatIsThereAndZerosWhatIsShort)
{
    TempDir dir;
    {
        ChunkFile file(dir.file("par.bin"), false);
        file.descend(chunkTag("PAR "));
        file.descend(chunkTag("PARp"));
        for (int i = 0; i < 20; ++i)
            file.writeInt(1000 + i); // a machine that had fewer parameters
        file.ascend();
        file.ascend();
    }
    NAutomatable m(27);
    for (int set = 0; set < 2; ++set) {
        NSequencer::instance().mode = set;
        for (int i = 0; i < 27; ++i)
            m.setCurrentSetParameter(i, 1);
    }
    NSequencer::instance().mode = 0;
    ChunkFile file(dir.file("par.bin"), true);
    m.load(file);
    EXPECT_EQ(m.parameter(0, 19), 1019);
    EXPECT_EQ(m.parameter(0, 20), 0);
    EXPECT_EQ(m.parameter(1, 5), 1); // no PARs: the song set stays

    ChunkFile none(dir.file("par.bin"), true);
    ASSERT_TRUE(none.descend(chunkTag("PAR "))); // inside it there is no further PAR chunk
    m.load(none);
    EXPECT_EQ(m.parameter(0, 19), 1019);
}
