#include "engine/NAutomatable.h"
#include "engine/NSequencer.h"
#include "foundation/ChunkFile.h"
#include "tests/support/FakeServices.h"
#include "tests/support/RecordingMachine.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>
#include <utility>

namespace {

class SongLoadTest : public ::testing::Test {
protected:
    NSequencer::LoadResult load(const NSongDescription& song)
    {
        EXPECT_TRUE(NSongBuilder::write(song, dir.file("song.vdl")));
        return seq.loadSong(dir.file("song.vdl"));
    }
    // The message boxes shown since the last look, as "caption: text" lines.
    std::string shown()
    {
        std::string all;
        for (const FakeMessageBox::Message& m : std::exchange(services.messageBox.shown, {}))
            all += m.caption + ": " + m.text + "\n";
        return all;
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
    song.loopOn = 5;
    for (int n = 0; n < 5; ++n) {
        for (int i = 0; i < songlayout::ParameterCounts[n]; ++i) {
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
// there; here the rest of what a song sets, and how hostile or partial files load. A machine chunk
// without its data resets the machine, one without its track clears the track, and a machine
// without a chunk keeps both.
TEST_F(SongLoadTest, LoadsThePositionAndEveryMachinesParameterSetsAndTrackOrResetsWhatItsChunkLacks)
{
    NSongDescription song = richSong();
    song.mixerLoosePatternSet.assign(41, 77); // mixer parameters may also sit outside its data
    song.machines[1].hasData = false;
    song.machines[2].hasTrack = false;
    song.machines[3].present = false;
    machines[1].setParameter(1, 5);
    machines[3].setParameter(1, 5);
    for (NSeqTrack& track : seq.tracks)
        track.setPatternAt(0, 9);
    ASSERT_EQ(load(song), NSequencer::LoadResult::Loaded);
    EXPECT_EQ(shown(), "");
    EXPECT_EQ((std::vector<int>{seq.position, seq.loopOn, seq.loaded, seq.blocksPerStep}),
              (std::vector<int>{48, true, true, 147})); // any non-zero loop switch is on; the tempo is in force
    EXPECT_EQ(seq.fileName.toUtf8(), dir.path("song.vdl"));
    const std::array<int, 3> expected[5] = {{1, 1001, 0}, {0, 0, 1}, {201, 1201, -1}, {0, 5, 9}, {77, 77, 4}};
    for (int n = 0; n < 5; ++n) // parameter 1 of the pattern and song sets, the pattern of bar 0
        EXPECT_EQ((std::array{machines[n].parameter(0, 1), machines[n].parameter(1, 1), seq.tracks[n].patternAt(0)}),
                  expected[n]) << n;
    // The arrangement's empty bar and a negative automation value come back signed.
    const NSeqEvent* last = seq.tracks[4].lastEvent();
    EXPECT_EQ((std::array<int, 4>{seq.tracks[4].patternAt(1), last->position, last->column, last->value}),
              (std::array{-1, 64, 5, -2}));
}

// Newer versions warn and load anyway. Text, a song cut short and a song with nothing in it leave
// the loaded song as it was, but the tempo rule runs after any of them. A missing file stops
// playback; its caller reports it.
TEST_F(SongLoadTest, NewerVersionsWarnAndFilesThatAreNoSongChangeNothingAndAMissingOneStopsPlayback)
{
    NSongDescription song;
    song.tempo = 133;
    for (auto [major, minor, warns] : {std::tuple{1, 1, false}, {0, 9, false}, {1, 2, true}, {2, 0, true}}) {
        song.major = major;
        song.minor = minor;
        seq.tempo = 0;
        load(song);
        EXPECT_EQ(seq.tempo, 133);
        const std::string version = std::to_string(major) + "." + std::to_string(minor);
        EXPECT_EQ(shown(), !warns ? "" : "Version Warning: Warning: File is from VandrelStudio " + version +
                                             ".\nThis is VandrelStudio 1.1.\nIf there are problems, you might want "
                                             "to\nupgrade your VandrelStudio.\n") << version;
    }
    using Result = NSequencer::LoadResult;
    load(richSong());
    std::vector<unsigned char> half = dir.readBytes("song.vdl");
    half.resize(half.size() / 2);
    dir.writeBytes("half.vdl", half);
    dir.writeBytes("text.vdl", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '\n'});
    dir.writeBytes("empty.vdl", {'V', 'S', 'F', '1', 0, 0, 0, 0}); // the song's chunk, empty
    const std::string notASong = "Unrecognized file: Sorry, this is not a readable VandrelStudio file.\n";
    for (auto [name, result, message] : {std::tuple{"text.vdl", Result::NotASong, notASong},
                                         {"half.vdl", Result::NotASong, notASong}, {"empty.vdl", Result::Loaded, ""}}) {
        seq.tempo = 0;
        EXPECT_EQ(seq.loadSong(dir.file(name)), result) << name;
        EXPECT_EQ(shown(), message) << name;
        EXPECT_EQ((std::array{seq.tempo, seq.tracks[0].patternAt(2), machines[2].parameter(1, 3)}),
                  (std::array{120, 3, 1203})) << name;
    }
    EXPECT_TRUE(seq.load(dir.file("text.vdl"))); // the program's own reading: opened, so true
    EXPECT_EQ(shown(), notASong);
    seq.start();
    EXPECT_FALSE(seq.load(dir.file("absent.vdl")) || seq.playing);
    EXPECT_EQ(seq.fileName.toUtf8() + ": " + seq.loadError.toUtf8(),
              dir.path("absent.vdl") + ": No such file or directory");
    EXPECT_EQ(shown(), "");
}

// A machine's own load: one that had fewer parameters when the song was saved, a set the chunk
// lacks and a chunk without parameters.
TEST(NAutomatable, LoadTakesWhatIsThereAndZerosWhatIsShort)
{
    TempDir dir;
    { // a pattern set of 20 parameters and no song set
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
