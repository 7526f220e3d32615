#include "engine/NAutomatable.h"
#include "foundation/ChunkFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>

// That a song's machine loads both sets whole shows in the song loader's tests; here a machine that
// had fewer parameters when the song was saved, a set the chunk lacks and a chunk without parameters.
TEST(NAutomatable, LoadTakesWhatIsThereAndZerosWhatIsShort)
{
    TempDir dir;
    {
        ChunkFile file(dir.file("par.bin"), false);
        file.descend(chunkTag("PAR "));
        file.descend(chunkTag("PARp"));
        for (int i = 0; i < 20; ++i)
            file.writeInt(1000 + i);
        file.ascend();
        file.ascend();
    }
    NAutomatable m(27);
    for (int i = 0; i < 27; ++i) {
        m.setCurrentSetParameter(i, 1); // the pattern set: the sequencer is in pattern mode
        m.setParameter(i, 1);           // the song set
    }
    ChunkFile file(dir.file("par.bin"), true);
    m.load(file);
    EXPECT_EQ((std::array{m.parameter(0, 19), m.parameter(0, 20), m.parameter(0, 26), m.parameter(1, 5)}),
              (std::array{1019, 0, 0, 1}));

    ChunkFile none(dir.file("par.bin"), true);
    ASSERT_TRUE(none.descend(chunkTag("PAR "))); // inside it there is no further PAR chunk
    m.load(none);
    EXPECT_EQ(m.parameter(0, 19), 1019);
}
