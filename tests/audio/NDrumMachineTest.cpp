#include "audio/NDrumMachine.h"

#include "audio/NMidiOut.h"
#include "engine/NSequencer.h"
#include "engine/NTables.h"
#include "foundation/ChunkFile.h"
#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"
#include "tests/support/RecordingMachine.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>
#include <vector>

namespace {

using Messages = std::vector<FakeMidiPort::Message>;

constexpr int Step = NSequencer::StepEvent;
constexpr int Half = NSequencer::HalfStepEvent;

// How hits sound together (gains, the hi-hat's choke, the filter) is pinned by the golden renders;
// here the MIDI, the pattern flow and hostile or partial song data. The MIDI output open with
// Control held, song mode.
class NDrumMachineTest : public ::testing::Test {
protected:
    NDrumMachineTest()
    {
        NTables::buildTables();
        NMidiOut::instance().open();
        services.keyState.down.insert(KESOKeyState::Control);
        mode = 1;
    }

    Messages takeMidi() { return std::exchange(port.messages, {}); }
    void playSteps(int n)
    {
        for (int i = 0; i < n; ++i) {
            drum.onEvent(Step);
            drum.onEvent(Half);
        }
    }

    SequencerFixture sequencer; // puts the mode back afterwards
    int& mode = NSequencer::instance().mode;
    FakeServices services;
    TempDir dir;
    FakeMidiPort port;
    NDrumMachine drum;
};

TEST_F(NDrumMachineTest, StepBytesGiveVelocitiesAndHalfStepRepeats)
{
    const int bytes[6] = {1, 2, 3, 4, 5, 8}; // 8: only ignored bits set, an accent without repeat
    for (int slot = 0; slot < 6; ++slot) {
        drum.sample(slot).create(64);
        drum.setStepByte(0, 0, slot, bytes[slot]);
    }
    drum.setPattern(0);
    drum.onEvent(Step);
    EXPECT_EQ(takeMidi(), (Messages{{0x99, 49, 50}, {0x99, 51, 127}, {0x99, 46, 127}, {0x99, 42, 127},
                                    {0x99, 45, 50}, {0x99, 43, 127}}));
    std::array<std::int32_t, ntime::BlockFrames> block;
    drum.render(block.data()); // every voice moves on, so a second trigger shows as a return to frame 0
    drum.onEvent(Half);
    EXPECT_EQ(takeMidi(), (Messages{{0x99, 42, 127}, {0x99, 45, 50}}));
    EXPECT_EQ((std::array{drum.sample(4).position(), drum.sample(0).position()}), (std::array{0, 32}));
    EXPECT_EQ(drum.getStep(), 1); // the step moves on after the half-step's hits
}

// Each mode has its own current pattern: pattern mode takes the next one at the end of the
// current, song mode at once.
TEST_F(NDrumMachineTest, PatternModeTakesTheNextPatternAtTheEndOfTheCurrentOneSongModeAtOnce)
{
    mode = 0;
    drum.setPatternLength(0, 4);
    drum.setStepByte(0, 0, 11, 2);
    drum.setStepByte(1, 0, 9, 2);
    drum.setPattern(0);
    playSteps(1);
    drum.setNextPattern(1);
    playSteps(2);
    EXPECT_EQ(drum.currentPattern(0), 0); // steps 1 and 2 played
    playSteps(1);
    EXPECT_EQ((std::array{drum.currentPattern(0), drum.getStep()}), (std::array{1, 0}));
    drum.onEvent(Step);
    EXPECT_EQ(takeMidi(), (Messages{{0x99, 36, 127}, {0x99, 40, 127}}));

    mode = 1;
    drum.setNextPattern(2);
    drum.onEvent(Step);
    EXPECT_EQ((std::array{drum.currentPattern(1), drum.currentPattern(0)}), (std::array{2, 1}));
}

TEST_F(NDrumMachineTest, HostileLengthsAndPatternNumbersStayInsideTheBank)
{
    drum.setPatternLength(31, 1000); // stepping stops at 16
    drum.setStepByte(31, 15, 0, 1);
    drum.setPattern(31);
    playSteps(16);
    EXPECT_EQ(drum.getStep(), 0);
    EXPECT_EQ(takeMidi().size(), 1u);
    drum.setPatternLength(0, -7);
    for (int pattern : {0, 32, 127, -2, -128}) { // arrangement entries are any signed byte
        drum.setPattern(pattern);
        playSteps(20);
        EXPECT_EQ(drum.getStep(), 0) << pattern;
    }
    EXPECT_TRUE(takeMidi().empty());
}

// A song's kit chunk names only the pads it changes, and a machine chunk may lack any part.
TEST_F(NDrumMachineTest, LoadingKeepsWhatTheFileLacks)
{
    drum.sample(11).create(64);
    drum.setStepByte(3, 5, 7, 0xFF);
    drum.setPatternLength(3, 7);
    drum.setCurrentSetParameter(26, 99);
    drum.setPattern(9);
    {
        ChunkFile out(dir.file("kit.dat"), false);
        out.descend(chunkTag("DST "));
        out.ascend();
        ASSERT_TRUE(out.finish());
    }
    ChunkFile in(dir.file("kit.dat"), true);
    drum.load(in);
    EXPECT_EQ((std::array{drum.stepByte(3, 5, 7), drum.patternLength(3), drum.parameter(NAutomatable::SongSet, 26)}),
              (std::array{0xFF, 7, 99}));
    EXPECT_EQ(drum.currentPattern(1), 0); // a load always starts from pattern 0
    EXPECT_EQ(drum.sample(11).length(), 64);
}

} // namespace
