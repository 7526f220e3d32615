#include "engine/NAutomatable.h"
#include "engine/NSequencer.h"
#include "foundation/ChunkFile.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>

// That a song's machine loads both sets whole shows in the song loader's tests; here a machine that
// had fewer parameters when the song was saved, and a machine chunk without parameters.
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
    for (int set = 0; set < 2; ++set) {
        NSequencer::instance().mode = set;
        for (int i = 0; i < 27; ++i)
            m.setCurrentSetParameter(i, 1);
    }
    NSequencer::instance().mode = 0;
    ChunkFile file(dir.file("par.bin"), true);
    m.load(file);
    // The pattern set's last given value, the missing ones zero; no "PARs": the song set stays.
    EXPECT_EQ((std::array{m.parameter(0, 19), m.parameter(0, 20), m.parameter(0, 26), m.parameter(1, 5)}),
              (std::array{1019, 0, 0, 1}));

    ChunkFile none(dir.file("par.bin"), true);
    ASSERT_TRUE(none.descend(chunkTag("PAR "))); // inside it there is no further PAR chunk
    m.load(none);
    EXPECT_EQ(m.parameter(0, 19), 1019);
}
