#include "audio/NDrumMachine.h"

#include "audio/NMidiOut.h"
#include "engine/NSequencer.h"
#include "engine/NTables.h"
#include "foundation/ChunkFile.h"
#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace {

using Block = std::array<std::int32_t, ntime::BlockFrames>;
using Messages = std::vector<FakeMidiPort::Message>;

constexpr int Step = NSequencer::StepEvent;
constexpr int Half = NSequencer::HalfStepEvent;

// The program folder in a temp folder, the MIDI output open with Control held, song mode.
class NDrumMachineTest : public ::testing::Test {
protected:
    NDrumMachineTest()
    {
        NTables::buildTables();
        services.programPath.path = dir.path("ruzi");
        std::filesystem::create_directories(dir.path("samples"));
        NMidiOut::instance().open();
        services.keyState.down.insert(KESOKeyState::Control);
        setMode(1);
    }
    ~NDrumMachineTest() override { setMode(savedMode); }

    void setMode(int mode) { NSequencer::instance().mode = mode; }

    // A sound of `frames` frames of one value, from the file "slot<N>.wav".
    void giveSound(int slot, std::int16_t value, int frames = 64)
    {
        std::string name = "slot" + std::to_string(slot) + ".wav";
        dir.writeBytes("samples/" + name, WavBytes::mono16(std::vector<std::int16_t>(size_t(frames), value)));
        ASSERT_TRUE(drum.sample(slot).load(String::fromUtf8(name)));
    }

    Messages takeMidi() { return std::exchange(port.messages, {}); }

    Block render()
    {
        Block out;
        out.fill(12345);
        drum.render(out.data());
        return out;
    }

    void playSteps(int n)
    {
        for (int i = 0; i < n; ++i) {
            drum.onEvent(Step);
            drum.onEvent(Half);
        }
    }

    void save(NDrumMachine& machine, const std::string& name)
    {
        ChunkFile out(dir.file(name), false);
        machine.save(out);
        ASSERT_TRUE(out.finish());
    }

    int savedMode = NSequencer::instance().mode;
    FakeServices services;
    TempDir dir;
    FakeMidiPort port;
    NDrumMachine drum;
};

TEST_F(NDrumMachineTest, StepBytesGiveVelocitiesAndHalfStepRepeats)
{
    const int bytes[6] = {1, 2, 3, 4, 5, 8}; // 8: only ignored bits set, an accent without repeat
    for (int slot = 0; slot < 6; ++slot) {
        giveSound(slot, 100);
        drum.setStepByte(0, 0, slot, bytes[slot]);
    }
    drum.setPattern(0);
    drum.onEvent(Step);
    EXPECT_EQ(takeMidi(), (Messages{{0x99, 49, 50}, {0x99, 51, 127}, {0x99, 46, 127}, {0x99, 42, 127},
                                    {0x99, 45, 50}, {0x99, 43, 127}}));
    EXPECT_EQ(drum.sample(0).velocity(), 100);
    EXPECT_EQ(drum.sample(1).velocity(), 255);
    EXPECT_EQ(drum.sample(4).velocity(), 100);
    EXPECT_EQ(drum.getStep(), 0);

    render(); // every voice moves on, so a second trigger shows as a return to frame 0
    drum.onEvent(Half);
    EXPECT_EQ(takeMidi(), (Messages{{0x99, 42, 127}, {0x99, 45, 50}}));
    EXPECT_EQ(drum.sample(3).position(), 0);
    EXPECT_EQ(drum.sample(4).position(), 0);
    EXPECT_EQ(drum.sample(0).position(), 32);
    EXPECT_EQ(drum.getStep(), 1); // the step moves on after the half-step's hits
}

TEST_F(NDrumMachineTest, PatternModeRepeatsAPatternAndSwitchesAtItsEndSongModeAtOnce)
{
    setMode(0);
    drum.setPatternLength(0, 4);
    drum.setStepByte(0, 0, 11, 2);
    drum.setStepByte(1, 0, 9, 2);
    drum.setPattern(0);
    playSteps(4);
    drum.onEvent(Step);
    EXPECT_EQ(takeMidi(), (Messages{{0x99, 36, 127}, {0x99, 36, 127}})); // every 4 steps

    drum.onEvent(Half);
    drum.setNextPattern(1);
    for (int step = 1; step < 4; ++step) {
        EXPECT_EQ(drum.getStep(), step);
        EXPECT_EQ(drum.currentPattern(0), 0);
        playSteps(1);
    }
    EXPECT_EQ(drum.getStep(), 0);
    EXPECT_EQ(drum.currentPattern(0), 1); // taken over at the end of the 4th step
    takeMidi();
    drum.onEvent(Step);
    EXPECT_EQ(takeMidi(), (Messages{{0x99, 40, 127}}));

    drum.setNextPattern(5);
    playSteps(1);
    drum.resetPlayback(); // the next pattern becomes current, from its start
    EXPECT_EQ(drum.currentPattern(0), 5);
    EXPECT_EQ(drum.getStep(), 0);

    setMode(1); // song mode takes the next pattern at once, and each mode has its own
    drum.setNextPattern(2);
    drum.onEvent(Step);
    EXPECT_EQ(drum.currentPattern(1), 2);
    EXPECT_EQ(drum.currentPattern(0), 5);
}

TEST_F(NDrumMachineTest, HostileLengthsAndPatternNumbersStayInsideTheBank)
{
    setMode(0);
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

TEST_F(NDrumMachineTest, ClosedHiHatChokesTheOpenOne)
{
    giveSound(2, 1000, 320);
    giveSound(3, 1000, 320);
    for (auto [step, slot] : {std::pair{0, 2}, {1, 3}, {2, 2}, {3, 2}, {3, 3}})
        drum.setStepByte(0, step, slot, 2);
    drum.setPattern(0);

    playSteps(1);
    EXPECT_TRUE(drum.sample(2).playing());
    drum.onEvent(Step); // closed hat
    EXPECT_FALSE(drum.sample(2).playing());
    EXPECT_TRUE(drum.sample(3).playing());
    drum.onEvent(Half);
    drum.onEvent(Step); // open hat does not cut the closed one
    EXPECT_TRUE(drum.sample(2).playing());
    EXPECT_TRUE(drum.sample(3).playing());
    drum.onEvent(Half);
    takeMidi();
    drum.onEvent(Step); // both at once: the open hat is cut in the same event
    EXPECT_FALSE(drum.sample(2).playing());
    EXPECT_TRUE(drum.sample(3).playing());
    EXPECT_EQ(takeMidi(), (Messages{{0x99, 46, 127}, {0x99, 42, 127}}));
}

TEST_F(NDrumMachineTest, RenderSumsTheSlotsAtTheirVolumes)
{
    giveSound(0, 1000);
    giveSound(11, -1000);
    drum.setStepByte(0, 0, 0, 2);
    drum.setStepByte(0, 0, 11, 1);
    drum.setStepByte(0, 0, 5, 2); // no sound in slot 5: triggers nothing, still sends MIDI
    drum.setParameter(11, 255);   // song-mode set only
    drum.setPattern(0);
    drum.onEvent(Step);
    EXPECT_EQ(takeMidi().size(), 3u);
    Block out = render();
    // (1000 * ((255 * 200) >> 8)) >> 8 = 777 and (-1000 * ((100 * 255) >> 8)) >> 8 = -387
    EXPECT_EQ(out[0], 777 - 387);
    EXPECT_EQ(out[31], 777 - 387);

    setMode(0); // the pattern-mode set still has volume 200 for slot 11
    EXPECT_EQ(render()[0], 777 + ((-1000 * ((100 * 200) >> 8)) >> 8));
    EXPECT_EQ(render()[0], 0); // both sounds are two blocks long

    drum.setCurrentSetParameter(0, 0);
    drum.setPattern(0);
    drum.onEvent(Step);
    EXPECT_TRUE(drum.sample(0).playing()); // a silent slot still triggers
    EXPECT_EQ(render()[0], (-1000 * 78) >> 8);

    drum.active = false;
    drum.onEvent(Step);
    EXPECT_EQ(render(), Block{});
}

TEST_F(NDrumMachineTest, SaveThenLoadReproducesBankKitAndParametersAndNoBankKeepsTheOldOne)
{
    giveSound(0, 10);
    giveSound(11, 20);
    drum.setStepByte(3, 5, 7, 0xFF);
    drum.setPatternLength(3, 7);
    drum.setCurrentSetParameter(26, 99);
    save(drum, "drum.dat");
    {
        ChunkFile out(dir.file("empty.dat"), false);
        out.descend(chunkTag("DST "));
        out.ascend();
        ASSERT_TRUE(out.finish());
    }
    NDrumMachine copy;
    auto load = [&](const char* file) {
        copy.setPattern(9);
        ChunkFile in(dir.file(file), true);
        copy.load(in);
    };
    load("drum.dat");
    EXPECT_EQ(copy.sample(11).getName().toUtf8(), "slot11.wav");
    EXPECT_FALSE(copy.sample(1).hasSound());
    save(copy, "again.dat");
    EXPECT_EQ(dir.readBytes("again.dat"), dir.readBytes("drum.dat"));

    load("empty.dat");
    EXPECT_EQ(copy.stepByte(3, 5, 7), 0xFF);
    EXPECT_EQ(copy.patternLength(3), 7);
    EXPECT_EQ(copy.parameter(NAutomatable::SongSet, 26), 99);
    EXPECT_EQ(copy.currentPattern(1), 0);
}

} // namespace
