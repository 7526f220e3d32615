#include "audio/NDrumMachine.h"

#include "audio/NFilter.h"
#include "audio/NMidiOut.h"
#include "engine/NSequencer.h"
#include "engine/NTables.h"
#include "foundation/ChunkFile.h"
#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavBytes.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using Block = std::array<std::int32_t, NMachine::BlockFrames>;
using Message = FakeMidiPort::Message;

constexpr int Step = NSequencer::StepEvent;
constexpr int Half = NSequencer::HalfStepEvent;

// A drum machine with the program folder in a temp folder, the MIDI output open with Control held,
// and the sequencer in the mode a test asks for.
class NDrumMachineTest : public ::testing::Test {
protected:
    NDrumMachineTest()
    {
        NTables::buildTables();
        services.programPath.path = dir.path("ruzi");
        std::filesystem::create_directories(dir.path("samples"));
        NMidiOut::instance().open(0);
        services.keyState.down.insert(KESOKeyState::Control);
        setMode(1);
    }
    ~NDrumMachineTest() override { NSequencer::instance().mode = savedMode; }

    void setMode(int mode) { NSequencer::instance().mode = mode; }

    // Gives a slot a sound of `frames` frames of one value, from a file in the samples folder.
    void giveSound(int slot, std::int16_t value, int frames = 64)
    {
        std::string name = "slot" + std::to_string(slot) + ".wav";
        dir.writeBytes("samples/" + name, WavBytes::mono16(std::vector<std::int16_t>(static_cast<size_t>(frames), value)));
        ASSERT_TRUE(drum.sample(slot).load(String::fromUtf8(name)));
    }

    void writeDefaultKit()
    {
        for (int slot = 0; slot < NDrumMachine::Slots; ++slot) {
            std::string name = String(NSample::defaultKitName(slot)).toUtf8();
            dir.writeBytes("samples/" + name, WavBytes::mono16(std::vector<std::int16_t>(32, static_cast<std::int16_t>(slot + 1))));
        }
    }

    std::vector<Message> takeMidi()
    {
        std::vector<Message> sent = port.messages;
        port.messages.clear();
        return sent;
    }

    Block render()
    {
        Block out;
        out.fill(12345);
        drum.render(out.data());
        return out;
    }

    // The step and half-step events of n whole steps.
    void playSteps(int n)
    {
        for (int i = 0; i < n; ++i) {
            drum.onEvent(Step);
            drum.onEvent(Half);
        }
    }

    int savedMode = NSequencer::instance().mode;
    FakeServices services;
    TempDir dir;
    FakeMidiPort port;
    NDrumMachine drum;
};

} // namespace

TEST_F(NDrumMachineTest, StepBytesGiveVelocitiesAndHalfStepRepeats)
{
    const int bytes[6] = {1, 2, 3, 4, 5, 8}; // 8: only ignored bits set, an accent without repeat
    for (int slot = 0; slot < 6; ++slot) {
        giveSound(slot, 100);
        drum.setStepByte(0, 0, slot, bytes[slot]);
    }
    drum.setPattern(0);
    drum.onEvent(Step);
    EXPECT_EQ(takeMidi(), (std::vector<Message>{{0x99, 49, 50}, {0x99, 51, 127}, {0x99, 46, 127},
                                                {0x99, 42, 127}, {0x99, 45, 50}, {0x99, 43, 127}}));
    EXPECT_EQ(drum.sample(0).velocity(), 100);
    EXPECT_EQ(drum.sample(1).velocity(), 255);
    EXPECT_EQ(drum.sample(4).velocity(), 100);
    EXPECT_EQ(drum.getStep(), 0);

    render(); // every voice moves on, so a second trigger shows as a return to frame 0
    drum.onEvent(Half);
    EXPECT_EQ(takeMidi(), (std::vector<Message>{{0x99, 42, 127}, {0x99, 45, 50}}));
    EXPECT_EQ(drum.sample(3).position(), 0);
    EXPECT_EQ(drum.sample(4).position(), 0);
    EXPECT_EQ(drum.sample(0).position(), 32);
    EXPECT_EQ(drum.getStep(), 1); // the step moves on after the half-step's hits
}

TEST_F(NDrumMachineTest, PatternModeRepeatsAPatternAndSwitchesAtItsEnd)
{
    setMode(0);
    drum.setPatternLength(0, 4);
    drum.setStepByte(0, 0, 11, 2);
    drum.setStepByte(1, 0, 9, 2);
    drum.setPattern(0);
    playSteps(4);
    drum.onEvent(Step);
    EXPECT_EQ(takeMidi(), (std::vector<Message>{{0x99, 36, 127}, {0x99, 36, 127}})); // every 4 steps

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
    EXPECT_EQ(takeMidi(), (std::vector<Message>{{0x99, 40, 127}}));
}

TEST_F(NDrumMachineTest, SongModeFollowsTheNextPatternAtOnce)
{
    drum.setPattern(0);
    drum.setNextPattern(1);
    drum.onEvent(Step);
    EXPECT_EQ(drum.currentPattern(1), 1);
    EXPECT_EQ(drum.currentPattern(0), 0); // the other mode's pattern is its own
    drum.setPatternLength(1, 2);
    playSteps(2);
    EXPECT_EQ(drum.getStep(), 0);
}

TEST_F(NDrumMachineTest, HostileLengthsAndPatternNumbersStayInsideTheBank)
{
    setMode(0);
    drum.setPatternLength(31, 1000); // stepping stops at 16
    drum.setStepByte(31, 15, 0, 1);
    drum.setPattern(31);
    playSteps(15);
    EXPECT_EQ(drum.getStep(), 15);
    playSteps(1);
    EXPECT_EQ(drum.getStep(), 0);
    EXPECT_EQ(takeMidi().size(), 1u);

    for (int length : {0, -7}) {
        drum.setPatternLength(0, length);
        drum.setPattern(0);
        playSteps(3);
        EXPECT_EQ(drum.getStep(), 0);
    }

    for (int pattern : {32, 127, -2, -128}) { // arrangement entries are any signed byte
        drum.setPattern(pattern);
        playSteps(20);
        EXPECT_EQ(drum.getStep(), 0);
    }
    EXPECT_TRUE(takeMidi().empty());
}

TEST_F(NDrumMachineTest, ClosedHiHatChokesTheOpenOne)
{
    giveSound(2, 1000, 320);
    giveSound(3, 1000, 320);
    drum.setStepByte(0, 0, 2, 2);
    drum.setStepByte(0, 1, 3, 2);
    drum.setStepByte(0, 2, 2, 2);
    drum.setStepByte(0, 3, 2, 2);
    drum.setStepByte(0, 3, 3, 2);
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
    EXPECT_EQ(takeMidi(), (std::vector<Message>{{0x99, 46, 127}, {0x99, 42, 127}}));
}

TEST_F(NDrumMachineTest, EmptyPatternAndStoppedPlayback)
{
    drum.setStepByte(0, 0, 11, 1);
    drum.setPattern(-1);
    EXPECT_EQ(drum.currentPattern(1), -1);
    EXPECT_EQ(drum.nextPattern(), -1);
    playSteps(2);
    EXPECT_TRUE(takeMidi().empty());

    setMode(0);
    drum.setNextPattern(5);
    playSteps(1);
    drum.resetPlayback(); // pattern mode: the next pattern becomes current, from its start
    EXPECT_EQ(drum.currentPattern(0), 5);
    EXPECT_EQ(drum.getStep(), 0);
    drum.onEvent(Half);
    drum.onEvent(0);
    EXPECT_EQ(drum.getStep(), 0);
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
    out = render();
    EXPECT_EQ(out[0], 777 + ((-1000 * ((100 * 200) >> 8)) >> 8));
    out = render();
    EXPECT_EQ(out[0], 0); // both sounds are two blocks long

    drum.setCurrentSetParameter(0, 0);
    drum.setPattern(0);
    drum.onEvent(Step);
    EXPECT_TRUE(drum.sample(0).playing()); // a silent slot still triggers
    EXPECT_EQ(render()[0], (-1000 * 78) >> 8);

    drum.active = false;
    drum.onEvent(Step);
    EXPECT_EQ(render(), Block{});
}

TEST_F(NDrumMachineTest, FilterRunsOnlyWhileSwitchedOn)
{
    giveSound(11, 8000, 320);
    drum.setStepByte(0, 0, 11, 2);
    drum.setParameter(NDrumMachine::FilterCutoff, 40);
    drum.setParameter(NDrumMachine::FilterResonance, 200);
    drum.setPattern(0);
    drum.onEvent(Step);
    Block plain = render(); // filter off: the plain sum, and the filter's state stays at rest
    EXPECT_EQ(plain[0], (8000 * 199) >> 8);

    drum.setParameter(NDrumMachine::FilterOn, 1);
    NFilter reference;
    reference.clear();
    for (int block = 0; block < 3; ++block) {
        Block expected = plain;
        reference.cutoff = 40 * 256;
        reference.resonance = 200 * 256;
        reference.process(expected.data(), false);
        EXPECT_EQ(render(), expected) << "block " << block;
    }
}

TEST_F(NDrumMachineTest, ResetDefaultsClearsPatternsAndVolumesOnly)
{
    giveSound(4, 100);
    drum.setStepByte(7, 3, 4, 5);
    drum.setPatternLength(7, 3);
    drum.setCurrentSetParameter(4, 17);
    drum.setParameter(20, 9);
    drum.setPattern(7);
    drum.resetDefaults();
    EXPECT_EQ(drum.stepByte(7, 3, 4), 0);
    EXPECT_EQ(drum.patternLength(7), 16);
    EXPECT_EQ(drum.parameter(NAutomatable::SongSet, 4), 200);
    EXPECT_EQ(drum.parameter(NAutomatable::SongSet, 20), 9);
    EXPECT_EQ(drum.currentPattern(1), 0);
    EXPECT_EQ(drum.nextPattern(), 0);
    EXPECT_TRUE(drum.sample(4).hasSound());
}

TEST_F(NDrumMachineTest, SaveThenLoadReproducesBankKitAndParameters)
{
    giveSound(0, 10);
    giveSound(11, 20);
    drum.setStepByte(3, 5, 7, 0xFF);
    drum.setPatternLength(3, 7);
    drum.setCurrentSetParameter(26, 99);
    {
        ChunkFile out(dir.file("drum.dat"), false);
        drum.save(out);
        ASSERT_TRUE(out.finish());
    }

    NDrumMachine copy;
    copy.setPattern(9);
    ChunkFile in(dir.file("drum.dat"), true);
    copy.load(in);
    EXPECT_EQ(copy.stepByte(3, 5, 7), 0xFF);
    EXPECT_EQ(copy.patternLength(3), 7);
    EXPECT_EQ(copy.parameter(NAutomatable::SongSet, 26), 99);
    EXPECT_EQ(copy.currentPattern(1), 0);
    EXPECT_EQ(copy.sample(0).getName().toUtf8(), "slot0.wav");
    EXPECT_EQ(copy.sample(11).getName().toUtf8(), "slot11.wav");
    EXPECT_FALSE(copy.sample(1).hasSound()); // never loaded: not written, not loaded

    // Saving the copy gives the same bytes.
    {
        ChunkFile again(dir.file("again.dat"), false);
        copy.save(again);
        ASSERT_TRUE(again.finish());
    }
    EXPECT_EQ(dir.readBytes("again.dat"), dir.readBytes("drum.dat"));
}

TEST_F(NDrumMachineTest, SongsFromTheBuilderLoadTheirKitOrTheDefaultOne)
{
    writeDefaultKit();
    giveSound(2, 50);
    NSongDescription song;
    song.drums.setHit(4, 2, 9, 5);
    song.drums.setLength(4, 8);
    song.drums.samples[2] = u"slot2.wav";
    song.drums.samples[3] = u"missing.wav";
    ASSERT_TRUE(NSongBuilder::write(song, dir.file("song.vdl")));
    song.drums.hasKit = false;
    ASSERT_TRUE(NSongBuilder::write(song, dir.file("nokit.vdl")));

    auto loadSong = [&](const char* name) {
        ChunkFile file(dir.file(name), true);
        ASSERT_TRUE(file.descend(chunkTag("VSF1")));
        ASSERT_TRUE(file.descend(chunkTag("MAC ")));
        ASSERT_TRUE(file.descend(chunkTag("DRM ")));
        ASSERT_TRUE(file.descend(chunkTag("DATA")));
        drum.load(file);
    };

    giveSound(3, 60);
    loadSong("song.vdl");
    EXPECT_EQ(drum.stepByte(4, 2, 9), 5);
    EXPECT_EQ(drum.patternLength(4), 8);
    EXPECT_EQ(drum.sample(2).getName().toUtf8(), "slot2.wav");
    EXPECT_EQ(drum.sample(3).getName().toUtf8(), "slot3.wav"); // the missing file keeps the old sound
    EXPECT_EQ(drum.sample(3).loadStatus(), NSample::LoadStatus::CannotOpen);
    EXPECT_EQ(drum.sample(3).requestedName().toUtf8(), "missing.wav");
    EXPECT_FALSE(drum.sample(0).hasSound()); // not named: unchanged

    loadSong("nokit.vdl"); // no sample list: the default kit replaces whatever was there
    for (int slot = 0; slot < NDrumMachine::Slots; ++slot) {
        EXPECT_EQ(drum.sample(slot).getName(), String(NSample::defaultKitName(slot)));
        EXPECT_EQ(drum.sample(slot).data()[0], slot + 1);
    }
}

TEST_F(NDrumMachineTest, LoadWithoutABankKeepsTheOldOne)
{
    drum.setStepByte(1, 1, 1, 3);
    {
        ChunkFile out(dir.file("empty.dat"), false);
        out.descend(chunkTag("DST "));
        out.ascend();
        ASSERT_TRUE(out.finish());
    }
    drum.setPattern(6);
    ChunkFile in(dir.file("empty.dat"), true);
    drum.load(in);
    EXPECT_EQ(drum.stepByte(1, 1, 1), 3);
    EXPECT_EQ(drum.currentPattern(1), 0);
    EXPECT_EQ(drum.parameter(NAutomatable::SongSet, 0), 200);
}
