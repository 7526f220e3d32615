// Hostile songs: values a damaged or malicious file may hold must not make the engine run away, and
// an export must be as long as the loop that plays.
#include "engine/NProgramSession.h"
#include "engine/NSongCommands.h"
#include "engine/NVandrelCore.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <vector>

namespace {

constexpr int FramesAt120 = 5504; // a step at 120 bpm
constexpr int Swing = NMixer::Swing;
constexpr int Tempo = NMixer::Tempo;

// One bar of 16 steps at 120 bpm, looped from bar 0 to 1.
NSongDescription oneBar()
{
    NSongDescription song;
    song.loopStart = 0;
    song.loopEnd = 1;
    song.machines[4].songSet.assign(NMixer::ParameterCount, 0);
    song.machines[4].songSet[Tempo] = 120;
    return song;
}

class SongHardeningTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        services.programPath.path = RUZI_BIN_DIR "/ruzi-render";
        ASSERT_TRUE(session.startUp());
    }

    void load(const NSongDescription& song)
    {
        ASSERT_TRUE(NSongBuilder::write(song, dir.file("song.vdl")));
        ASSERT_EQ(session.loadSong(dir.file("song.vdl")), NSequencer::LoadResult::Loaded);
    }

    // Frames of audio the export of the loaded song's loop holds.
    std::int64_t exportedFrames(bool seamless = false)
    {
        NMixer::ExportOptions options;
        options.seamless = seamless;
        EXPECT_EQ(session.exportLoop(dir.file("out.wav"), options), NMixer::ExportResult::Written);
        return (static_cast<std::int64_t>(dir.readBytes("out.wav").size()) - 44) / 4;
    }

    int mixerSwing(int set) const { return NVandrelCore::instance().mixer.parameter(set, Swing); }

    FakeServices services;
    TempDir dir;
    NProgramSession session;
    NSequencer& seq = NSequencer::instance();
};

// Far out of range, one step of each pair would last millions of blocks.
TEST_F(SongHardeningTest, SwingIsHeldToItsRangeWhereverItEnters)
{
    struct Case {
        std::int32_t stored;
        int automated; // automation holds 16-bit values
        int heldStored;
    };
    for (Case c : {Case{13959168, -32768, 255}, Case{INT_MIN, 32767, 0}, Case{-7, 300, 0}}) {
        NSongDescription song = oneBar();
        song.machines[4].songSet[Swing] = c.stored;
        song.machines[4].patternSet = song.machines[4].songSet;
        load(song);
        EXPECT_EQ(mixerSwing(NAutomatable::PatternSet), c.heldStored) << c.stored;
        EXPECT_EQ(mixerSwing(NAutomatable::SongSet), c.heldStored) << c.stored;

        song.machines[4].automation = {{0, Swing, c.automated}};
        load(song);
        EXPECT_EQ(exportedFrames(), 16 * FramesAt120) << c.automated; // pairs of steps keep their length
        EXPECT_EQ(mixerSwing(NAutomatable::SongSet), c.automated < 0 ? 0 : 255);
    }
    NSongCommands::setParameter(4, Swing, 1 << 24);
    EXPECT_EQ(mixerSwing(NAutomatable::SongSet), 255);
    seq.setSwing(-1000);
    EXPECT_EQ(seq.swing, 0);
}

TEST_F(SongHardeningTest, LoopMarkersFromTheFileAreBroughtIntoTheArrangement)
{
    struct Case {
        int start, end;
        int heldStart, heldEnd;
    };
    for (Case c : {Case{INT_MIN, INT_MAX, 0, 999}, Case{8388607, 8388609, 998, 999},
                   Case{-2147483647, -2147483645, 0, 1}, Case{5, 5, 5, 6}, Case{7, 3, 7, 8}, Case{2, 4, 2, 4}}) {
        NSongDescription song = oneBar();
        song.loopStart = c.start;
        song.loopEnd = c.end;
        load(song);
        EXPECT_EQ(seq.loopStart, c.heldStart) << c.start << " to " << c.end;
        EXPECT_EQ(seq.loopEnd, c.heldEnd) << c.start << " to " << c.end;
    }
    // A loaded position at the top of the range still finds its nearest bar.
    seq.setLoopStartAt(INT_MAX);
    EXPECT_EQ(seq.loopStart, 8388608);
    seq.setLoopEndAt(INT_MAX - 200);
    EXPECT_EQ(seq.loopEnd, 8388607);
    EXPECT_EQ(seq.loopStart, 8388606);
}

// The file ends where the loop's last step ends, at the tempo and with the swing that play.
TEST_F(SongHardeningTest, AnExportLastsExactlyTheStepsOfItsLoop)
{
    struct Case {
        const char* what;
        int storedTempo;
        int stepsPerBar;
        int swing;
        NSongEvent tempoChange; // column 0: none
        bool seamless;
        std::int64_t blocks;
    };
    const NSongEvent none{0, 0, 0};
    for (Case c : {
             Case{"stored at 1 bpm, the mixer at 120", 1, 16, 0, none, false, 16 * 172},
             Case{"the same, seamless", 1, 16, 0, none, true, 16 * 172},
             // Swing 255 at 120 bpm: steps last 257 and 87 blocks in turn, the first one long.
             Case{"15 swung steps", 120, 15, 255, none, false, 8 * 257 + 7 * 87},
             Case{"15 swung steps, seamless: the kept pass starts on a short step", 120, 15, 255, none, true,
                  8 * 87 + 7 * 257},
             Case{"halfway down to 60 bpm", 120, 16, 0, {8 * 16, Tempo, 60}, false, 8 * 172 + 8 * 344},
             Case{"halfway up to 240 bpm", 120, 16, 0, {8 * 16, Tempo, 240}, false, 8 * 172 + 8 * 86},
         }) {
        NSongDescription song = oneBar();
        song.tempo = c.storedTempo;
        song.stepsPerBar = c.stepsPerBar;
        song.machines[4].songSet[Swing] = c.swing;
        if (c.tempoChange.column != 0)
            song.machines[4].automation = {c.tempoChange};
        load(song);
        EXPECT_EQ(exportedFrames(c.seamless), c.blocks * 32) << c.what;
    }
}

TEST_F(SongHardeningTest, ALoopThatDoesNotEndAfterItsStartExportsNoAudio)
{
    load(oneBar());
    NSongCommands::setLoopBars(3, 3);
    EXPECT_EQ(exportedFrames(), 0);
    EXPECT_EQ(exportedFrames(true), 0);
}

} // namespace
