#include "engine/NAutomatable.h"
#include "engine/NSequencer.h"
#include "foundation/ChunkFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

// Writes base + i into parameter i of the given set, through editing in that set's mode.
void fill(NAutomatable& m, int set, int base)
{
    NSequencer::instance().mode = set;
    for (int i = 0; i < m.getParameterCount(); ++i)
        m.setCurrentSetParameter(i, base + i);
    NSequencer::instance().mode = 0;
}

} // namespace

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

TEST(NAutomatable, SaveThenLoadReproducesBothSets)
{
    TempDir dir;
    NAutomatable original(27);
    fill(original, 0, 100);
    fill(original, 1, -50);
    {
        ChunkFile file(dir.file("par.bin"), false);
        original.save(file);
    }
    NAutomatable copy(27);
    ChunkFile file(dir.file("par.bin"), true);
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
            file.writeInt(1000 + i); // a machine that had fewer parameters
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
    EXPECT_EQ(m.parameter(1, 5), 6); // no PARs: the song set stays

    ChunkFile none(dir.file("par.bin"), true);
    ASSERT_TRUE(none.descend(chunkTag("PAR "))); // inside it there is no further PAR chunk
    m.load(none);
    EXPECT_EQ(m.parameter(0, 19), 1019);
}
