#include "engine/NTables.h"

#include <gtest/gtest.h>

TEST(NTablesTest, SineAndPitchEntries)
{
    NTables::buildTables();
    for (auto [index, value] : {std::pair{0, 0}, {1, 25}, {16384, 262143}, {32768, 0}, {49152, -262143}, {65535, -25}})
        EXPECT_EQ(NTables::sine(index), value) << index; // 25.13 is truncated
    EXPECT_EQ(NTables::pitch(0), 796253u);
    EXPECT_EQ(NTables::pitch(60), 25480121u);
    EXPECT_EQ(NTables::pitch(69), 42852286u); // 440 Hz
    EXPECT_EQ(NTables::pitch(88), 128411773u); // from note 88 the single-precision twelfth shows
    EXPECT_EQ(NTables::pitch(-5), NTables::pitch(0));
    EXPECT_EQ(NTables::pitch(1000), NTables::pitch(255));
}
