// The drum machine, and the samples its pads play.
#include "audio/NDrumMachine.h"

#include "audio/NMidiOut.h"
#include "audio/NSample.h"
#include "engine/NSequencer.h"
#include "engine/NTables.h"
#include "foundation/ChunkFile.h"
#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"
#include "tests/support/RecordingMachine.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <numeric>
#include <utility>
#include <vector>

namespace {

using Messages = std::vector<FakeMidiPort::Message>;

constexpr int Step = NSequencer::StepEvent;
constexpr int Half = NSequencer::HalfStepEvent;

// How hits sound together (gains, the hi-hat's choke, the filter) is pinned by the golden renders;
// here the MIDI, the pattern flow, a pattern length past 16 and partial song data; hostile song data
// is left to the song fuzz target. The MIDI output open with Control held, song mode.
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
    drum.setPatternLength(0, 1000); // a song's length past 16: stepping stops at 16
    playSteps(15);
    EXPECT_EQ(drum.getStep(), 0);
}

// Each mode has its own current pattern.
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

// A song's kit chunk names only the pads it changes, and a machine chunk may lack any part.
TEST_F(NDrumMachineTest, LoadingKeepsWhatTheFileLacks)
{
    drum.sample(11).create(64);
    drum.setStepByte(3, 5, 7, 0xFF);
    drum.setPatternLength(3, 7);
    drum.setCurrentSetParameter(26, 99);
    drum.setPattern(9);
    dir.writeBytes("kit.dat", {'D', 'S', 'T', ' ', 0, 0, 0, 0}); // an empty kit chunk
    ChunkFile in(dir.file("kit.dat"), true);
    drum.load(in);
    EXPECT_EQ((std::array{drum.stepByte(3, 5, 7), drum.patternLength(3), drum.parameter(NAutomatable::SongSet, 26)}),
              (std::array{0xFF, 7, 99}));
    EXPECT_EQ(drum.currentPattern(1), 0); // a load always starts from pattern 0
    EXPECT_EQ(drum.sample(11).length(), 64);
}

using Block = std::array<std::int32_t, ntime::BlockFrames>;
using Bytes = WavBytes::Bytes;
using Status = NSample::LoadStatus;

// 1, 2, 3, ... up to frames, then zeros up to length.
std::vector<std::int16_t> ramp(int frames, int length = 0)
{
    std::vector<std::int16_t> v(static_cast<size_t>(std::max(frames, length)));
    std::iota(v.begin(), v.begin() + frames, std::int16_t{1});
    return v;
}

// Samples live in <temp>/samples/, the program in <temp>/ruzi.
class NSampleTest : public ::testing::Test {
protected:
    NSampleTest()
    {
        services.programPath.path = dir.path("ruzi");
        std::filesystem::create_directories(dir.path("samples"));
    }

    bool load(const std::string& name, const Bytes& bytes)
    {
        dir.writeBytes("samples/" + name, bytes);
        return sample.load(String::fromUtf8(name));
    }
    // The sound as loaded: each frame, and the padding to whole blocks as 0.
    std::vector<std::int16_t> frames() const { return {sample.data(), sample.data() + sample.length()}; }

    FakeServices services;
    TempDir dir;
    NSample sample;
};

TEST_F(NSampleTest, LoadsMonoFramesPaddedToWholeBlocksWhateverTheRateAndOtherChunks)
{
    Bytes odd = WavBytes::pcm16(ramp(33));
    odd.push_back(0x7F); // a stray byte, dropped
    const Bytes list(26, 'x');
    const std::tuple<Bytes, int, int> cases[] = {
        {WavBytes::mono16(ramp(100)), 100, 128},
        {WavBytes::mono16(ramp(64), 11025), 64, 64}, // the file's rate is ignored
        {WavBytes().format(1, 1, 44100, 2, 16).data(odd).bytes(), 33, 64},
        {WavBytes().chunk("LIST", list).format(1, 1, 44100, 2, 16).chunk("LIST", list).data(WavBytes::pcm16(ramp(50)))
             .chunk("cue ", Bytes(8, 0)).bytes(), 50, 64},
    };
    for (const auto& [bytes, count, length] : cases) {
        ASSERT_TRUE(load("BD_std.wav", bytes)) << count;
        EXPECT_TRUE(sample.loadStatus() == Status::Loaded && sample.loadError().length() == 0);
        EXPECT_EQ(sample.getName().toUtf8(), "BD_std.wav"); // as asked, not the resolved path
        EXPECT_EQ(frames(), ramp(count, length)) << count;
    }
}

// A file that is no usable WAV keeps the previous sound; a WAV in another layout leaves silence of
// its frame count. Either way the load says why, and silences the voice.
TEST_F(NSampleTest, FailedLoadsSayWhyAndKeepTheSoundOrLeaveSilence)
{
    const Bytes whole =
        WavBytes().format(1, 1, 44100, 2, 16).chunk("LIST", Bytes(6, 'i')).data(WavBytes::pcm16(ramp(70))).bytes();
    std::vector<std::tuple<Bytes, Status, int>> cases = { // the file, its status, the silence's length
        {WavBytes().data(WavBytes::pcm16(ramp(8))).bytes(), Status::NotWave, 0},
        {{'R', 'I', 'F', 'X', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, Status::NotWave, 0},
        {WavBytes().format(3, 1, 44100, 4, 32).data(Bytes(400, 1)).bytes(), Status::Refused, 0},
        {WavBytes().format(1, 1, 44100, 0, 16).data(Bytes(400, 1)).bytes(), Status::Refused, 0},
        {WavBytes().format(1, 2, 44100, 4, 16).data(Bytes(4000, 0x55)).bytes(), Status::Refused, 1024}, // 1000 frames
        {WavBytes().format(1, 1, 44100, 3, 24).data(Bytes(300, 0x55)).bytes(), Status::Refused, 128},
    };
    for (size_t cut = 0; cut < whole.size(); ++cut) // every truncation, the empty file too
        cases.emplace_back(Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)), Status::NotWave, 0);
    for (const auto& [bytes, status, silence] : cases) {
        SCOPED_TRACE(bytes.size());
        ASSERT_TRUE(load("previous.wav", WavBytes::mono16(ramp(40))));
        sample.trigger(NSample::UnitStep, 255);
        EXPECT_FALSE(load("bad.wav", bytes) || sample.playing());
        EXPECT_TRUE(sample.loadStatus() == status && sample.loadError().length() > 0);
        EXPECT_EQ(sample.requestedName().toUtf8() + " " + sample.getName().toUtf8(),
                  silence ? "bad.wav " : "bad.wav previous.wav");
        EXPECT_EQ(frames(), silence ? ramp(0, silence) : ramp(40, 64));
    }
    EXPECT_TRUE(!sample.load(u"nothing.wav") && sample.loadStatus() == Status::CannotOpen);
    EXPECT_EQ(sample.loadError().toUtf8(), "No such file or directory");
}

// The golden renders pin the drums' gains and their rounding; here that a voice never reads past
// its buffer: not of an empty sound, nor of one replaced under it.
TEST_F(NSampleTest, AVoiceStopsAtTheEndOfWhatItsSoundHasLeft)
{
    const auto renderBlock = [&](std::int32_t start) {
        Block mix;
        mix.fill(start);
        sample.render(mix.data(), 255);
        return mix;
    };
    ASSERT_TRUE(load("long.wav", WavBytes::mono16(ramp(64))));
    sample.trigger(NSample::UnitStep, 255);
    EXPECT_EQ(renderBlock(0)[31], 31);
    sample.create(20); // 32 frames of silence, and the voice stood at 32
    EXPECT_TRUE(renderBlock(7)[0] == 7 && !sample.playing());
    ASSERT_TRUE(load("empty.wav", WavBytes::mono16({})));
    sample.trigger(NSample::UnitStep, 255);
    EXPECT_TRUE(renderBlock(7)[0] == 7 && !sample.playing());
}

} // namespace
