#include "engine/NSequencer.h"
#include "tests/support/RecordingMachine.h"

#include <gtest/gtest.h>

#include <array>

namespace {

// The loop markers and the transport keys are tested through the song commands; how song mode
// plays an arrangement, loops, swings, places half steps and chases automation is pinned by the
// golden renders.
class NSequencerTest : public ::testing::Test {
protected:
    NSequencer& seq = NSequencer::instance();
    SequencerFixture fixture;
    RecordingMachine* machines = fixture.machines;
};

} // namespace

TEST_F(NSequencerTest, TempoGivesWholeBlocksPerStep)
{
    // Tempo, and the tempo, frames and blocks a step it gives: 0 and below are 120, a step is never below a block.
    for (auto [tempo, kept, frames, blocks] : {std::array{0, 120, 5504, 172}, {140, 140, 4704, 147}, {-5, 120, 5504, 172},
                                               {1000000, 1000000, 32, 1}}) {
        seq.setTempo(tempo);
        EXPECT_EQ((std::array{seq.tempo, seq.samplesPerStep, seq.blocksPerStep}), (std::array{kept, frames, blocks})) << tempo;
    }
}

TEST_F(NSequencerTest, PatternModeStandsStillAndAppliesNextPatterns)
{
    seq.mode = 0;
    seq.position = 40;
    seq.start();
    EXPECT_EQ(machines[2].take(), (std::vector<std::string>{"next"}));
    fixture.run(172 * 4);
    EXPECT_EQ(seq.position, 0); // rounded down to its bar, then held there
    EXPECT_EQ(machines[2].count("step"), 4);
    EXPECT_EQ(machines[2].count("pattern 0"), 0);
}

// Changing mode and locating go to a bar's start and chase the automation; start resumes at the bar.
TEST_F(NSequencerTest, RelocatingGoesToTheBarStartAndChasesAutomation)
{
    seq.position = 300;
    seq.tracks[1].addEvent(0, 2, 5);
    seq.setMode(1);
    EXPECT_EQ((std::array{seq.position, machines[1].parameter(1, 2)}), (std::array{256, 5}));
    seq.blockCounter = 50;
    seq.swingPhase = 1;
    seq.locate(600);
    EXPECT_EQ((std::array{seq.position, seq.blockCounter, seq.swingPhase}), (std::array{512, 0, 0}));
    EXPECT_EQ(machines[0].take().back(), "pattern 0");
    seq.setMode(7); // only two modes exist
    EXPECT_EQ(seq.mode, 1);

    seq.position = 0;
    seq.start();
    fixture.run(172 * 20);
    seq.stop();
    seq.start();
    seq.start(); // a second start changes nothing
    EXPECT_EQ(seq.position, 256);
}
