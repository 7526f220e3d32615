// Hostile songs must not make the engine run away, and an export lasts the loop that plays.
#include "engine/NProgramSession.h"
#include "engine/NSongCommands.h"
#include "engine/NVandrelCore.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <climits>
#include <tuple>
#include <utility>

namespace {

constexpr int Swing = NMixer::Swing;
constexpr int Tempo = NMixer::Tempo;

class SongHardeningTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        services.programPath.path = RUZI_BIN_DIR "/ruzi-render";
        ASSERT_TRUE(session.startUp());
        song.loopStart = 0;
        song.loopEnd = 1;
        song.machines[4].songSet.assign(NMixer::ParameterCount, 0);
        song.machines[4].songSet[Tempo] = 120; // a step of 172 blocks
    }
    void load()
    {
        ASSERT_TRUE(NSongBuilder::write(song, dir.file("song.vdl")));
        ASSERT_EQ(session.loadSong(dir.file("song.vdl")), NSequencer::LoadResult::Loaded);
    }

    long long exportedBlocks(bool seamless = false)
    {
        NMixer::ExportOptions options;
        options.seamless = seamless;
        EXPECT_EQ(session.exportLoop(dir.file("out.wav"), options), NMixer::ExportResult::Written);
        return (static_cast<long long>(dir.readBytes("out.wav").size()) - 44) / 128;
    }

    int swing(int set) const { return NVandrelCore::instance().mixer.parameter(set, Swing); }

    FakeServices services;
    TempDir dir;
    NProgramSession session;
    NSequencer& seq = NSequencer::instance();
    NSongDescription song;
};

// Far out of range, one step of each pair would last millions of blocks.
TEST_F(SongHardeningTest, SwingIsHeldToItsRangeWhereverItEnters)
{
    for (auto [stored, automated, held] : {std::tuple{13959168, -32768, 255}, {INT_MIN, 32767, 0}}) {
        song.machines[4].patternSet = song.machines[4].songSet;
        song.machines[4].patternSet[Swing] = song.machines[4].songSet[Swing] = stored;
        load();
        EXPECT_EQ(std::pair(swing(NAutomatable::PatternSet), swing(NAutomatable::SongSet)), std::pair(held, held));
        song.machines[4].automation = {{0, Swing, automated}};
        load();
        EXPECT_EQ(exportedBlocks(), 16 * 172) << automated;
        EXPECT_EQ(swing(NAutomatable::SongSet), 255 - held);
    }
    NSongCommands::setParameter(4, Swing, 1 << 24);
    EXPECT_EQ(swing(NAutomatable::SongSet), 255);
}

TEST_F(SongHardeningTest, LoopMarkersFromTheFileAreBroughtIntoTheArrangement)
{
    for (auto [start, end, heldStart, heldEnd] :
         {std::tuple{INT_MIN, INT_MAX, 0, 999}, {8388607, 8388609, 998, 999}, {-2147483647, -2147483645, 0, 1},
          {7, 3, 7, 8}, {2, 4, 2, 4}}) {
        song.loopStart = start;
        song.loopEnd = end;
        load();
        EXPECT_EQ(std::pair(seq.loopStart, seq.loopEnd), std::pair(heldStart, heldEnd)) << start << " " << end;
    }
    seq.setLoopStartAt(INT_MAX); // a loaded position may be anything
    EXPECT_EQ(seq.loopStart, 8388608);
}

// The file ends where the loop's last step ends, at the tempo and with the swing that play.
TEST_F(SongHardeningTest, AnExportLastsExactlyTheStepsOfItsLoop)
{
    // Stored tempo, steps per bar, swing, the tempo from step 8 on (0: none), seamless; the blocks.
    // Swing 255 at 120 bpm: steps last 257 and 87 blocks in turn, the first one long.
    for (auto [storedTempo, stepsPerBar, swingValue, tempoFromStep8, seamless, blocks] :
         {std::tuple{1, 16, 0, 0, false, 16 * 172}, {1, 16, 0, 0, true, 16 * 172},
          {120, 15, 255, 0, false, 8 * 257 + 7 * 87}, {120, 15, 255, 0, true, 8 * 87 + 7 * 257},
          {120, 16, 0, 60, false, 8 * 172 + 8 * 344}, {120, 16, 0, 240, false, 8 * 172 + 8 * 86}}) {
        song.tempo = storedTempo;
        song.stepsPerBar = stepsPerBar;
        song.machines[4].songSet[Swing] = swingValue;
        song.machines[4].automation.clear();
        if (tempoFromStep8 != 0)
            song.machines[4].automation = {{8 * 16, Tempo, tempoFromStep8}};
        load();
        EXPECT_EQ(exportedBlocks(seamless), blocks) << storedTempo << " " << stepsPerBar << " " << tempoFromStep8;
    }
}

} // namespace
