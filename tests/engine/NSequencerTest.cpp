#include "engine/NSequencer.h"
#include "tests/support/RecordingMachine.h"

#include <gtest/gtest.h>

#include <array>

namespace {

class NSequencerTest : public ::testing::Test {
protected:
    NSequencer& seq = NSequencer::instance();
    SequencerFixture fixture;
    RecordingMachine* machines = fixture.machines;

    void clearLogs()
    {
        for (int n = 0; n < 5; ++n)
            machines[n].take();
    }
};

std::vector<int> differences(const std::vector<int>& v)
{
    std::vector<int> d;
    for (size_t i = 1; i < v.size(); ++i)
        d.push_back(v[i] - v[i - 1]);
    return d;
}

} // namespace

TEST_F(NSequencerTest, TempoGivesWholeBlocksPerStep)
{
    RecordingMachine extra;
    seq.addMachine(&extra); // a sixth machine has no track
    EXPECT_EQ(seq.machineCount, 5);
    seq.setTempo(0);
    EXPECT_EQ(seq.tempo, 120);
    EXPECT_EQ(seq.samplesPerStep, 5504);
    EXPECT_EQ(seq.blocksPerStep, 172);
    seq.setTempo(140);
    EXPECT_EQ(seq.samplesPerStep, 4704);
    EXPECT_EQ(seq.blocksPerStep, 147);
    seq.setTempo(-5);
    EXPECT_EQ(seq.tempo, 120);
    seq.setTempo(1000000); // a step never shrinks below one block
    EXPECT_EQ(seq.samplesPerStep, 32);
    EXPECT_EQ(seq.blocksPerStep, 1);
}

TEST_F(NSequencerTest, FirstTickStartsAStepAndHalfStepsFallMidway)
{
    fixture.run(1000); // stopped: nothing happens
    EXPECT_TRUE(machines[0].stepBlocks.empty());
    fixture.block = 0;
    seq.start();
    fixture.run(172 * 3);
    EXPECT_EQ(machines[0].stepBlocks, (std::vector<int>{0, 172, 344}));
    EXPECT_EQ(machines[0].halfBlocks, (std::vector<int>{86, 258, 430}));
    EXPECT_EQ(machines[4].stepBlocks.size(), 3u);
}

TEST_F(NSequencerTest, SwingMovesBlocksBetweenTheStepsOfEachPair)
{
    // 171 * swing / 512 blocks, truncated toward zero, move between the steps of each pair: a step's
    // length is decided with the phase that flips as it begins, so the first step of a pair is the
    // one that gains.
    for (auto [swing, first, second] : {std::array{255, 257, 87}, {-100, 172 - 33, 172 + 33}}) {
        SequencerFixture each;
        seq.swing = swing;
        seq.start();
        each.run(2 * 172 + 40);
        EXPECT_EQ(differences(each.machines[0].stepBlocks), (std::vector<int>{first, second})) << swing;
        // The half step keeps the unswung place: 86 blocks into the step, if the step lasts that long.
        EXPECT_EQ(each.machines[0].halfBlocks.front() - each.machines[0].stepBlocks.front(), 86);
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

// A bar's pattern reaching the machine before the bar's first step shows in the loop test below.
TEST_F(NSequencerTest, SynthesizersHearOfAPatternOnlyWhenItChangesTheOthersEveryBar)
{
    seq.mode = 1;
    for (int n = 0; n < 5; ++n) {
        seq.tracks[n].setPatternAt(0, 0);
        seq.tracks[n].setPatternAt(1, 2);
    }
    seq.start();
    clearLogs();
    fixture.run(172 * 17);
    EXPECT_EQ(machines[0].count("pattern 0"), 0);
    EXPECT_EQ(machines[0].count("pattern 2"), 1);
    EXPECT_EQ(machines[3].count("pattern 0"), 1);
    EXPECT_EQ(machines[3].count("pattern 2"), 1);
    EXPECT_EQ(seq.position, 17 * 16);
}

TEST_F(NSequencerTest, LoopJumpsBackAtItsEndAndChasesItsPatternsAndAutomation)
{
    seq.mode = 1;
    seq.loopOn = true;
    seq.loopStart = 1;
    seq.loopEnd = 3;
    seq.position = 752; // the last step of bar 2
    seq.tracks[0].setPatternAt(1, 7);
    seq.tracks[2].addEvent(400, 9, 50); // base (0, 9, 0) comes first
    seq.start(); // starts at its bar: 512
    EXPECT_EQ(seq.position, 512);
    EXPECT_EQ(machines[2].parameter(1, 9), 50);
    fixture.run(172 * 15 + 1); // 16 steps: 512 ... 752
    EXPECT_EQ(seq.position, 256);
    EXPECT_EQ(machines[2].parameter(1, 9), 0); // back before the event, the base value rules again
    clearLogs();
    fixture.run(172);
    EXPECT_EQ(machines[0].take(), (std::vector<std::string>{"half", "pattern 7", "step"}));
    EXPECT_EQ(seq.position, 272);
}

TEST_F(NSequencerTest, StopSilencesAndStartResumesAtTheBar)
{
    seq.mode = 1;
    seq.start();
    fixture.run(172 * 20);
    seq.stop();
    EXPECT_FALSE(seq.playing);
    EXPECT_EQ(machines[4].take().back(), "reset");
    seq.start();
    EXPECT_EQ(seq.position, 256);
    seq.start(); // a second start changes nothing
    EXPECT_EQ(seq.position, 256);
}

TEST_F(NSequencerTest, RelocatingGoesToTheBarStartAndChasesAutomation)
{
    seq.position = 300;
    seq.tracks[1].addEvent(0, 2, 5);
    seq.setMode(1);
    EXPECT_EQ(seq.mode, 1);
    EXPECT_EQ(seq.position, 256);
    EXPECT_EQ(machines[1].parameter(1, 2), 5);
    seq.blockCounter = 50;
    seq.swingPhase = 1;
    seq.locate(600);
    EXPECT_EQ(seq.position, 512);
    EXPECT_EQ(seq.blockCounter, 0);
    EXPECT_EQ(seq.swingPhase, 0);
    EXPECT_EQ(machines[0].take().back(), "pattern 0");
    seq.setMode(0);
    EXPECT_EQ(machines[0].take().back(), "nextpattern 0");
    seq.setMode(7); // only two modes exist
    EXPECT_EQ(seq.mode, 1);
}

TEST_F(NSequencerTest, LoopSettersRoundToTheNearestBar)
{
    seq.setLoopStartAt(200);
    EXPECT_EQ(seq.loopStart, 1);
    EXPECT_EQ(seq.loopEnd, 4);
    seq.setLoopStartAt(1300); // past the end: the end follows
    EXPECT_EQ(seq.loopStart, 5);
    EXPECT_EQ(seq.loopEnd, 6);
    seq.loopStart = 0;
    seq.setLoopEndAt(100);
    EXPECT_EQ(seq.loopStart, 0);
    EXPECT_EQ(seq.loopEnd, 1);
    seq.loopStart = 3;
    seq.setLoopEndAt(256);
    EXPECT_EQ(seq.loopStart, 0);
    EXPECT_EQ(seq.loopEnd, 1);
}
