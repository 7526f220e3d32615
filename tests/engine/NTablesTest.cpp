#include "engine/NTables.h"

#include <gtest/gtest.h>

namespace {

TEST(NTablesTest, SineAndPitchEntries)
{
    NTables::buildTables();
    EXPECT_EQ(NTables::sine(0), 0);
    EXPECT_EQ(NTables::sine(1), 25); // 25.13, truncated
    EXPECT_EQ(NTables::sine(16384), 262143);
    EXPECT_EQ(NTables::sine(32768), 0);
    EXPECT_EQ(NTables::sine(49152), -262143);
    EXPECT_EQ(NTables::sine(65535), -25);

    EXPECT_EQ(NTables::pitch(0), 796253u);
    EXPECT_EQ(NTables::pitch(60), 25480121u);
    EXPECT_EQ(NTables::pitch(69), 42852286u); // 440 Hz
    // From note 88 the single-precision twelfth shows in the last digit.
    EXPECT_EQ(NTables::pitch(88), 128411773u);
    EXPECT_EQ(NTables::pitch(-5), NTables::pitch(0));
    EXPECT_EQ(NTables::pitch(1000), NTables::pitch(255));
}

} // namespace
