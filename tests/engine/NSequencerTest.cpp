#include "engine/NSeqTrack.h"
#include "engine/NSequencer.h"
#include "engine/NSongCommands.h"
#include "tests/support/RecordingMachine.h"

#include <gtest/gtest.h>

#include <array>
#include <tuple>

namespace {

// The sequencer, and the song commands that lock around it. How song mode plays an arrangement,
// loops, swings, places half steps and chases automation is pinned by the golden renders.
class NSequencerTest : public ::testing::Test {
protected:
    NSequencer& seq = NSequencer::instance();
    SequencerFixture fixture;
    RecordingMachine* machines = fixture.machines;
};

using Events = std::vector<std::tuple<int, int, int>>;

class NSeqTrackTest : public ::testing::Test {
protected:
    NSeqTrackTest() { track.machine = &machine; }
    Events events() const
    {
        Events list;
        for (const NSeqEvent* e = track.firstEvent(); e != nullptr; e = e->next)
            list.emplace_back(e->position, e->column, e->value);
        return list;
    }
    SequencerFixture sequencer; // the base events read the sequencer's mode
    RecordingMachine machine;
    NSeqTrack track;
};

} // namespace

// Tempo, and the tempo, frames and blocks a step it gives: 0 and below are 120, a step is never
// below a block. Pattern mode rounds the position down to its bar and holds it there.
TEST_F(NSequencerTest, TempoGivesWholeBlocksPerStepAndPatternModeStandsStill)
{
    for (auto [tempo, kept, frames, blocks] : {std::array{0, 120, 5504, 172}, {140, 140, 4704, 147},
                                               {-5, 120, 5504, 172}, {1000000, 1000000, 32, 1}}) {
        seq.setTempo(tempo);
        EXPECT_EQ((std::array{seq.tempo, seq.samplesPerStep, seq.blocksPerStep}), (std::array{kept, frames, blocks}))
            << tempo;
    }
    seq.setTempo(120);
    seq.mode = 0;
    seq.position = 40;
    seq.start();
    EXPECT_EQ(machines[2].take(), (std::vector<std::string>{"next"}));
    fixture.run(172 * 4);
    EXPECT_EQ((std::array{seq.position, machines[2].count("step"), machines[2].count("pattern 0")}),
              (std::array{0, 4, 0}));
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
    for (int press = 0; press < 2; ++press) // a second start changes nothing
        seq.start();
    EXPECT_EQ(seq.position, 256);
}

TEST_F(NSequencerTest, SpaceStopsThenAlternatesBetweenLoopStartAndSongStart)
{
    seq.setMode(1);
    NSongCommands::setLoopBars(2, 4);
    NSongCommands::startOrStop();
    EXPECT_TRUE(NSongCommands::transport().playing);
    fixture.run(1000);
    ASSERT_TRUE(seq.position > 0 && seq.position < 2 * 256) << seq.position;
    NSongCommands::stopOrRewind();
    std::vector<int> seen{NSongCommands::transport().playing}; // stopped, then the positions of 4 presses
    for (int press = 0; press < 4; ++press) {
        NSongCommands::stopOrRewind();
        seen.push_back(NSongCommands::transport().position);
    }
    EXPECT_EQ(seen, (std::vector<int>{false, 0, 2 * 256, 0, 2 * 256}));
    NSongCommands::locate(3 * 256 + 40); // beyond the loop start: back to it first
    NSongCommands::stopOrRewind();
    EXPECT_EQ(seq.position, 2 * 256);
}

TEST_F(NSequencerTest, EditsReachTheSongAndIgnoreMachinesThatDoNotExist)
{
    seq.setMode(0);
    for (int machine : {1, 7, -1})
        NSongCommands::setParameter(machine, 3, 99);
    EXPECT_EQ((std::array{machines[1].parameter(0, 3), machines[1].parameter(1, 3)}),
              (std::array{99, 0})); // the set of the current mode
    NSeqTrack& track = seq.tracks[2];
    for (int position : {0, 255, 256, 511, 512})
        track.addEvent(position, 1, 10);
    const int events = track.eventCount(1);
    NSongCommands::removeAutomation(2, 1);
    NSongCommands::removeAutomation(2, 2147483647); // the last bar there could be: nothing to remove
    NSongCommands::removeAutomation(9, 0);
    EXPECT_EQ(track.eventCount(1), events - 2);
}

// The first event of a column brings a base event at 0 with the parameter's value in the set the
// sequencer plays from; events at one spot all take the newest value, and one more follows them.
TEST_F(NSeqTrackTest, FirstEventOfAColumnBringsItsBaseEventAndEventsStayInOrder)
{
    machine.setCurrentSetParameter(5, 42);
    track.addEventLast(64, 5, 100);
    EXPECT_EQ(events(), (Events{{0, 5, 42}, {64, 5, 100}}));
    for (auto [position, column, value] : Events{{32, 5, 3}, {32, 5, 7}, {0, 5, 1}, {0, 64, 1}, {0, -1, 1}})
        track.addEvent(position, column, value); // only columns 0 to 63 exist
    track.addEventLast(0, 1000, 1);
    NSequencer::instance().mode = 1;
    machine.setCurrentSetParameter(2, 9);
    track.addEvent(16, 2, 1);
    EXPECT_EQ(events(), (Events{{0, 5, 1}, {0, 5, 1}, {0, 2, 9}, {16, 2, 1}, {32, 5, 7}, {32, 5, 7}, {64, 5, 100}}));
}

// Removing a bar's events shows through the song commands; here what playback is left holding: the
// removed event under the cursor hands over to the next, and an emptied list still works.
TEST_F(NSeqTrackTest, ApplyEventsSetsParametersUpToThePosition)
{
    for (int p = 0; p < 4; ++p)
        track.addEventLast(256 * p + 16, 4, p + 1); // with its base: 0, 0
    track.seek(0);
    for (int position : {16, 16, -1})
        track.applyEvents(position);
    EXPECT_EQ(machine.take(), (std::vector<std::string>{"P4=0", "P4=1"}));
    track.removeEvents(256, 512); // the cursor's event, at 272, goes: playback goes on with the next
    track.applyEvents(NSeqTrack::EndTicks); // past the end of any song: not applied
    EXPECT_TRUE(machine.take().empty());
    track.applyEvents(NSeqTrack::EndTicks - 1);
    EXPECT_EQ(machine.take(), (std::vector<std::string>{"P4=3", "P4=4"}));
    track.seek(600);
    track.removeEvents(0, 1024);
    EXPECT_TRUE(track.cursor() == nullptr && track.firstEvent() == nullptr && track.lastEvent() == nullptr);
    track.applyEvents(2000);
    track.addEventLast(300, 3, 1);
    EXPECT_EQ(events(), (Events{{0, 3, 0}, {300, 3, 1}}));
}
