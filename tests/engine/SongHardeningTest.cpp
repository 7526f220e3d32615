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

// Far out of range, one step of each pair would last millions of blocks; loop markers are brought
// into the arrangement.
TEST_F(SongHardeningTest, SwingAndLoopMarkersAreHeldToTheirRangesWhereverTheyEnter)
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

// The file ends where the loop's last step ends, with the swing that plays. A bar of 15 steps puts
// the second pass, which a seamless export writes, on the other swing phase: swing 255 at 120 bpm
// makes steps of 257 and 87 blocks in turn, the first one long. (Tempo changes within the loop are
// pinned by the golden renders, the mixer's tempo over the stored one by the loop export tests.)
TEST_F(SongHardeningTest, AnExportLastsExactlyTheStepsOfItsLoop)
{
    song.stepsPerBar = 15;
    song.machines[4].songSet[Swing] = 255;
    load();
    EXPECT_EQ(exportedBlocks(false), 8 * 257 + 7 * 87);
    EXPECT_EQ(exportedBlocks(true), 8 * 87 + 7 * 257);
}

} // namespace
