#include "engine/NSongCommands.h"

#include "engine/NEngineGuard.h"
#include "engine/NSequencer.h"
#include "tests/support/RecordingMachine.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <thread>

namespace {

class NSongCommandsTest : public ::testing::Test {
protected:
    NSequencer& seq = NSequencer::instance();
    SequencerFixture fixture;
};

} // namespace

TEST_F(NSongCommandsTest, SpaceStopsThenAlternatesBetweenLoopStartAndSongStart)
{
    seq.setMode(1);
    NSongCommands::setLoopBars(2, 4);
    NSongCommands::startOrStop();
    EXPECT_TRUE(NSongCommands::transport().playing);
    fixture.run(1000);
    ASSERT_GT(seq.position, 0);
    ASSERT_LT(seq.position, 2 * 256);

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

TEST_F(NSongCommandsTest, LoopMarkersMoveToTheNearestBarOfThePosition)
{
    seq.setMode(1);
    NSongCommands::setLoopBars(0, 4);
    seq.position = 5 * 256 + 128; // half-way goes to the later boundary
    NSongCommands::setLoopStartAtPosition();
    EXPECT_EQ(seq.loopStart, 6);
    EXPECT_EQ(seq.loopEnd, 7); // pushed on to keep one bar
    seq.position = 2 * 256 + 127;
    NSongCommands::setLoopEndAtPosition();
    EXPECT_EQ(seq.loopEnd, 2);
    EXPECT_EQ(seq.loopStart, 1);
    NSongCommands::setLoopOn(true);
    EXPECT_TRUE(NSongCommands::transport().loopOn);
}

TEST_F(NSongCommandsTest, EditsReachTheSongAndIgnoreMachinesThatDoNotExist)
{
    seq.setMode(0);
    for (int machine : {1, 7, -1})
        NSongCommands::setParameter(machine, 3, 99);
    EXPECT_EQ((std::array{fixture.machines[1].parameter(0, 3), fixture.machines[1].parameter(1, 3)}),
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

TEST_F(NSongCommandsTest, ACommandWaitsForTheSegmentBeingRendered)
{
    std::atomic<bool> started{false};
    std::thread gui;
    {
        NEngineGuard segment; // the playback thread's render
        gui = std::thread([&] {
            NSongCommands::start();
            started = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        EXPECT_FALSE(started);
    }
    gui.join();
    EXPECT_TRUE(started);
    EXPECT_TRUE(seq.playing);
}
