#include "engine/NTables.h"

#include <gtest/gtest.h>

namespace {

class NTablesTest : public ::testing::Test {
protected:
    void SetUp() override { NTables::buildTables(); }
};

TEST_F(NTablesTest, SineHasItsQuarterPoints)
{
    EXPECT_EQ(NTables::sine(0), 0);
    EXPECT_EQ(NTables::sine(16384), 262143);
    EXPECT_EQ(NTables::sine(32768), 0);
    EXPECT_EQ(NTables::sine(49152), -262143);
    // Entries are truncated toward zero, not rounded.
    EXPECT_EQ(NTables::sine(1), 25);   // 25.13
    EXPECT_EQ(NTables::sine(65535), -25);
    EXPECT_EQ(NTables::sine(65536 + 16384), 262143);
}

TEST_F(NTablesTest, PitchUsesTheSinglePrecisionTwelfth)
{
    EXPECT_EQ(NTables::pitch(0), 796253u);
    EXPECT_EQ(NTables::pitch(60), 25480121u);
    EXPECT_EQ(NTables::pitch(69), 42852286u); // 440 Hz
    // Above note 87 the single-precision twelfth shows in the last digit.
    EXPECT_EQ(NTables::pitch(88), 128411773u);
    EXPECT_EQ(NTables::pitch(109), 431924014u);
}

TEST_F(NTablesTest, PitchOutsideTheTableReadsItsEnds)
{
    EXPECT_EQ(NTables::pitch(-5), NTables::pitch(0));
    EXPECT_EQ(NTables::pitch(1000), NTables::pitch(255));
}

} // namespace
