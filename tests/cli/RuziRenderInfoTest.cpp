#include "tests/support/CommandRun.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

namespace {

const std::string renderer = std::string(RUZI_BIN_DIR) + "/ruzi-render";

class RuziRenderInfo : public ::testing::Test {
protected:
    CommandRun info(const std::string& arguments) { return CommandRun::run(renderer + " --info " + arguments, dir.path("")); }

    TempDir dir;
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TEST_F(RuziRenderInfo, SummarisesASong)
{
    NSongDescription song;
    song.creator = u"VandrelStudio";
    song.major = 1;
    song.minor = 0;
    song.tempo = 140;
    song.stepsPerBar = 12;
    song.loopStart = 1;
    song.loopEnd = 3;
    song.loopOn = 0;
    song.machines[0].arrangement = {0, -1, 31, 9};
    song.machines[3].arrangement = {1};
    song.machines[4].patternSet.assign(41, 0);
    song.machines[4].patternSet[39] = 140; // during playback the mixer's tempo rules
    song.machines[4].songSet = song.machines[4].patternSet;
    song.machines[4].automation = {{16, 39, 130}, {32, 39, 140}, {64, 2, 5}};
    ASSERT_TRUE(NSongBuilder::write(song, dir.file("groove.vdl")));

    CommandRun run = info("groove.vdl"); // relative to the working directory
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Song:       " + dir.path("groove.vdl"))) << run.out;
    EXPECT_TRUE(contains(run.out, "Written by: VandrelStudio 1.0"));
    EXPECT_TRUE(contains(run.out, "Tempo:      140 bpm, 12 steps per bar"));
    EXPECT_TRUE(contains(run.out, "Mode:       song"));
    EXPECT_TRUE(contains(run.out, "Loop:       bars 1 to 3 (end exclusive), off"));
    EXPECT_TRUE(contains(run.out, "SYN1  bars:       a1 - d8 b2\n"));
    EXPECT_TRUE(contains(run.out, "SYN2  bars:       (no bars)\n"));
    EXPECT_TRUE(contains(run.out, "DRM   bars:       a2\n"));
    EXPECT_TRUE(contains(run.out, "      automation: P2 x2, P39 x3\n"));
    EXPECT_TRUE(run.err.empty()) << run.err;
}

TEST_F(RuziRenderInfo, ReadsTheBundledSongWithoutAnArgumentAndEveryPadOfTheDefaultKitLoads)
{
    CommandRun run = info("");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("not loaded"), std::string::npos) << run.out;
    EXPECT_TRUE(contains(run.out, "/data/newsong.vdl\n"));
    EXPECT_TRUE(contains(run.out, "Loop:       bars 8 to 12 (end exclusive), on"));
    EXPECT_TRUE(contains(run.out, "Tempo:      124 bpm, 16 steps per bar"));
}

// Which files the loader refuses, and its warnings, are tested with the loader; here how they reach
// the terminal and the exit status.
TEST_F(RuziRenderInfo, ReportsFilesItCannotUse)
{
    CommandRun missing = info("absent.vdl");
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(contains(missing.err, dir.path("absent.vdl") + ": No such file or directory")) << missing.err;

    dir.writeBytes("notes.vdl", {'n', 'o', 't', 'e', 's', '\n'});
    CommandRun notSong = info("notes.vdl");
    EXPECT_EQ(notSong.status, 3);
    EXPECT_TRUE(contains(notSong.err, "Unrecognized file: Sorry, this is not a readable VandrelStudio file."));
    EXPECT_TRUE(contains(notSong.err, "is not a song"));
}
