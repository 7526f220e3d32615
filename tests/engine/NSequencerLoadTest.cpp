#include "engine/NSequencer.h"
#include "foundation/ChunkFile.h"
#include "tests/support/FakeServices.h"
#include "tests/support/RecordingMachine.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

namespace {

class SongLoadTest : public ::testing::Test {
protected:
    NSequencer::LoadResult load(const NSongDescription& song)
    {
        EXPECT_TRUE(NSongBuilder::write(song, dir.file("song.vdl")));
        return seq.loadSong(dir.file("song.vdl"));
    }

    std::vector<std::string> captions() const
    {
        std::vector<std::string> list;
        for (const auto& m : services.messageBox.shown)
            list.push_back(m.caption);
        return list;
    }

    FakeServices services;
    TempDir dir;
    SequencerFixture fixture;
    NSequencer& seq = NSequencer::instance();
    RecordingMachine* machines = fixture.machines;
};

NSongDescription richSong()
{
    NSongDescription song;
    song.tempo = 140;
    song.stepsPerBar = 12;
    song.mode = 1;
    song.position = 48;
    song.loopStart = 2;
    song.loopEnd = 6;
    song.loopOn = 5;
    for (int n = 0; n < 5; ++n) {
        int count = songlayout::ParameterCounts[n];
        for (int i = 0; i < count; ++i) {
            song.machines[n].patternSet.push_back(n * 100 + i);
            song.machines[n].songSet.push_back(n * 100 + i + 1000);
        }
        song.machines[n].arrangement = {static_cast<std::int8_t>(n), -1, 3};
        song.machines[n].automation = {{32, n + 1, 7 * n}, {64, n + 1, -2}};
    }
    return song;
}

} // namespace

// What ruzi-render --info shows of a loaded song (tempo, mode, loop, bars, automation) is checked
// there; here the rest of what a song sets, and how hostile or partial files load.
TEST_F(SongLoadTest, LoadsThePositionAndBothParameterSetsOfEveryMachine)
{
    NSongDescription song = richSong();
    song.mixerLoosePatternSet.assign(41, 77); // mixer parameters may also sit outside its data
    ASSERT_EQ(load(song), NSequencer::LoadResult::Loaded);
    EXPECT_TRUE(services.messageBox.shown.empty());
    EXPECT_EQ((std::vector<int>{seq.position, seq.loopOn, seq.loaded, seq.blocksPerStep}),
              (std::vector<int>{48, true, true, 147})); // any non-zero loop switch is on; the tempo is in force
    EXPECT_EQ(seq.fileName.toUtf8(), dir.path("song.vdl"));
    for (int n = 0; n < 5; ++n) {
        EXPECT_EQ(machines[n].parameter(0, 1), n < 4 ? n * 100 + 1 : 77) << n;
        EXPECT_EQ(machines[n].parameter(1, 1), n < 4 ? n * 100 + 1001 : 77) << n;
    }
}

TEST_F(SongLoadTest, EmptySongKeepsEverythingButRunsTheTempoRule)
{
    load(richSong());
    seq.tempo = 0;
    {
        ChunkFile file(dir.file("empty.vdl"), false);
        file.descend(chunkTag("VSF1"));
        file.ascend();
    }
    ASSERT_EQ(seq.loadSong(dir.file("empty.vdl")), NSequencer::LoadResult::Loaded);
    EXPECT_TRUE(services.messageBox.shown.empty());
    EXPECT_EQ(seq.tempo, 120);
    EXPECT_EQ(seq.tracks[0].patternAt(2), 3);
    EXPECT_EQ(machines[2].parameter(1, 3), 1203);
}

TEST_F(SongLoadTest, NewerVersionsWarnAndLoadAnyway)
{
    for (auto [major, minor, warns] : {std::tuple{1, 1, false}, {1, 0, false}, {0, 9, false}, {1, 2, true}, {2, 0, true}}) {
        services.messageBox.shown.clear();
        NSongDescription song;
        song.major = major;
        song.minor = minor;
        song.tempo = 133;
        load(song);
        EXPECT_EQ(seq.tempo, 133);
        EXPECT_EQ(services.messageBox.shown.size(), warns ? 1u : 0u) << major << "." << minor;
    }
    ASSERT_EQ(captions(), std::vector<std::string>{"Version Warning"});
    EXPECT_EQ(services.messageBox.shown[0].text, "Warning: File is from VandrelStudio 2.0.\n"
                                                 "This is VandrelStudio 1.1.\n"
                                                 "If there are problems, you might want to\n"
                                                 "upgrade your VandrelStudio.");
}

TEST_F(SongLoadTest, NotASongOrOneCutShortIsReportedAndChangesNothingAndAMissingOneStopsPlayback)
{
    load(richSong());
    dir.writeBytes("text.vdl", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'});
    EXPECT_EQ(seq.loadSong(dir.file("text.vdl")), NSequencer::LoadResult::NotASong);
    EXPECT_TRUE(seq.load(dir.file("text.vdl"))); // the program's own reading: opened, so true
    std::vector<unsigned char> half = dir.readBytes("song.vdl");
    half.resize(half.size() / 2);
    dir.writeBytes("half.vdl", half);
    EXPECT_EQ(seq.loadSong(dir.file("half.vdl")), NSequencer::LoadResult::NotASong);
    ASSERT_EQ(services.messageBox.shown.size(), 3u);
    EXPECT_EQ(services.messageBox.shown[0].caption, "Unrecognized file");
    EXPECT_EQ(services.messageBox.shown[0].text, "Sorry, this is not a readable VandrelStudio file.");
    EXPECT_EQ(seq.tempo, 140);
    EXPECT_EQ(seq.tracks[1].patternAt(0), 1);

    seq.start();
    EXPECT_FALSE(seq.load(dir.file("absent.vdl")));
    EXPECT_FALSE(seq.playing);
    EXPECT_EQ(seq.fileName.toUtf8(), dir.path("absent.vdl"));
    EXPECT_EQ(seq.loadError.toUtf8(), "No such file or directory");
    EXPECT_EQ(services.messageBox.shown.size(), 3u); // the caller reports it
}

TEST_F(SongLoadTest, MachineWithoutDataResetsButLoadsItsTrack)
{
    machines[1].setParameter(0, 5);
    NSongDescription song;
    song.machines[1].hasData = false;
    song.machines[1].arrangement = {4};
    song.machines[2].hasTrack = false;
    song.machines[3].present = false;
    seq.tracks[2].setPatternAt(0, 9);
    seq.tracks[3].setPatternAt(0, 9);
    load(song);
    EXPECT_EQ(machines[1].parameter(1, 0), 0);
    EXPECT_EQ(seq.tracks[1].patternAt(0), 4);
    EXPECT_EQ(seq.tracks[2].patternAt(0), -1); // no SEQd: cleared
    EXPECT_EQ(seq.tracks[3].patternAt(0), 9);  // no machine chunk: kept
}

TEST_F(SongLoadTest, ChunkOrderDoesNotMatter)
{
    ChunkFile file(dir.file("reordered.vdl"), false);
    auto ints = [&file](const char (&tag)[5], std::initializer_list<int> values) {
        file.descend(chunkTag(tag));
        for (int v : values)
            file.writeInt(v);
        file.ascend();
    };
    for (std::uint32_t tag : {chunkTag("VSF1"), chunkTag("MAC "), chunkTag("MIX "), chunkTag("SEQd"), chunkTag("BAR ")})
        file.descend(tag);
    ints("BARd", {0x06060606}); // the data before its count
    ints("BARi", {2});
    for (int level = 0; level < 4; ++level)
        file.ascend();
    file.descend(chunkTag("SEQ "));
    ints("LOOP", {1, 2, 1});
    ints("SEQi", {16, 1, 0, 90});
    file.ascend();
    file.descend(chunkTag("FILi"));
    file.writeString(u"VandrelStudio");
    file.writeInt(3);
    file.writeInt(0);
    file.ascend();
    file.ascend();
    ASSERT_TRUE(file.finish());

    ASSERT_EQ(seq.loadSong(dir.file("reordered.vdl")), NSequencer::LoadResult::Loaded);
    EXPECT_EQ(captions(), std::vector<std::string>{"Version Warning"});
    EXPECT_EQ(seq.tempo, 90);
    EXPECT_EQ(seq.loopEnd, 2);
    EXPECT_EQ(seq.tracks[4].patternAt(1), 6);
    EXPECT_EQ(seq.tracks[4].patternAt(2), -1);
}

TEST_F(SongLoadTest, DivisorsFromAFileStayPositive)
{
    for (auto [tempo, stepsPerBar, mode] : {std::array{0, 0, 0}, {-40, -3, 9}}) {
        NSongDescription song;
        song.tempo = tempo;
        song.stepsPerBar = stepsPerBar;
        song.mode = mode;
        load(song);
        EXPECT_EQ((std::vector<int>{seq.tempo, seq.samplesPerStep, seq.stepsPerBar, seq.mode}),
                  (std::vector<int>{120, 5504, 16, mode != 0})) << tempo;
    }
    seq.start();
    fixture.run(400); // plays without dividing by zero
    EXPECT_EQ(seq.position, 48);
}
