#include "audio/NMixer.h"

#include "engine/NMachine.h"
#include "engine/NSequencer.h"
#include "foundation/KESOKeyState.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavBytes.h"
#include "engine/NTime.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <vector>

namespace {

// Renders `value` into every frame.
class TestMachine : public NMachine {
public:
    TestMachine() : NMachine(20) {}
    void render(std::int32_t* block) override
    {
        ++renders;
        std::fill(block, block + ntime::BlockFrames, value);
    }
    void resetPlayback() override { ++resets; }

    std::int32_t value = 0;
    int renders = 0, resets = 0;
};

void resetSequencer()
{
    NSequencer& sequencer = NSequencer::instance();
    sequencer.resetDefaults();
    for (NSeqTrack& track : sequencer.tracks) {
        track.clear();
        track.machine = nullptr;
    }
}

// Limits the size of every file this process writes, for the life of the object.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) : previous_(std::signal(SIGXFSZ, SIG_IGN)) // a write past it fails
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    void (*previous_)(int);
    rlimit saved_{};
};

// Wired as the core wires them: four sound machines, and the mixer as the fifth track. Machine 0
// alone sounds, at 2470 on both sides; a step is 5504 frames. How the effects sound in the mix
// (delay, stereo and mono reverb) is pinned by the golden renders.
class NMixerTest : public ::testing::Test {
protected:
    NMixerTest()
    {
        resetSequencer();
        for (TestMachine& m : machines) {
            mixer.addMachine(&m);
            sequencer.addMachine(&m);
        }
        sequencer.addMachine(&mixer);
        mixer.resetDefaults();
        machines[0].value = 10000;
        setMachine(0, NMixer::Volume, 255);
        setMachine(3, NMixer::Volume, 0);
        sequencer.loopStart = 0;
        sequencer.loopEnd = 1;
    }
    ~NMixerTest() override { resetSequencer(); }

    // Writes both parameter sets (the sequencer is in pattern mode until an export switches it).
    void setMachine(int m, int offset, int value)
    {
        mixer.setParameter(8 * m + offset, value);
        mixer.setCurrentSetParameter(8 * m + offset, value);
    }
    // Frames the mixer does not write keep 0x5555.
    std::vector<std::int16_t> render(int frames)
    {
        std::vector<std::int16_t> out(2 * static_cast<size_t>(frames) + 8, 0x5555);
        mixer.render(out.data(), frames);
        return out;
    }
    // The file an export of `steps` steps must write: 44100 Hz 16-bit stereo, 2470 throughout. Of a
    // failed export, what reached the disk of the failing step is no part of it.
    void expectWav(int steps, bool failed = false)
    {
        WavBytes::Bytes wav = WavBytes().format(1, 2, 44100, 4, 16)
                                  .data(WavBytes::pcm16(std::vector<std::int16_t>(2 * 5504 * size_t(steps), 2470)))
                                  .bytes();
        WavBytes::Bytes written = dir.readBytes("out.wav");
        if (failed)
            written.resize(std::min(written.size(), wav.size()));
        EXPECT_EQ(written, wav);
    }
    // The one message box shown since the last look: its caption and whether it says all of `parts`.
    void expectMessage(const std::string& caption, std::initializer_list<std::string> parts)
    {
        ASSERT_EQ(services.messageBox.shown.size(), 1u);
        EXPECT_EQ(services.messageBox.shown[0].caption, caption);
        for (const std::string& part : parts)
            EXPECT_NE(services.messageBox.shown[0].text.find(part), std::string::npos) << services.messageBox.shown[0].text;
        services.messageBox.shown.clear();
    }

    NSequencer& sequencer = NSequencer::instance();
    FakeServices services;
    NMixer mixer;
    TestMachine machines[4];
    TempDir dir;
};

TEST_F(NMixerTest, VolumePanDistortionAndSaturationGiveTheseSamplesInWholeBlocks)
{
    struct Case {
        std::int32_t value;
        int volume, pan, distortion;
        std::int16_t left, right;
    };
    const Case cases[] = {
        {10000, 255, 128, 0, 2470, 2470}, // (10000 * ((255 * 255) >> 8)) >> 8 = 9921, then (9921 * 255) >> 10
        {30000, 256, 255, 0, 29, 7441},   // left gain 1, right gain 255
        {30000, 256, 0, 0, 7441, -30},    // right gain -1: a tiny inverted copy
        {20000, 256, 128, 1, 4064, 4064}, // distorted to 16384
        {140550, 256, 128, 0, 32767, 32767},
        {-140550, 256, 128, 0, -32768, -32768},
        {131586, 256, 128, 0, 32639, 32639}, // just inside: 131071 converts to 32639
    };
    for (const Case& c : cases) {
        machines[0].value = c.value;
        setMachine(0, NMixer::Volume, c.volume);
        setMachine(0, NMixer::Pan, c.pan);
        setMachine(0, NMixer::DistortionOn, c.distortion);
        std::vector<std::int16_t> out = render(32);
        EXPECT_EQ(out[0], c.left) << c.value << " pan " << c.pan;
        EXPECT_EQ(out[1], c.right) << c.value << " pan " << c.pan;
        EXPECT_EQ(out[63], c.right);
    }
    EXPECT_EQ(render(31)[0], 0x5555); // less than a block: nothing rendered
    std::vector<std::int16_t> out = render(100); // three whole blocks
    EXPECT_EQ(out[191], out[1]); // the right side of frame 95
    EXPECT_EQ(out[192], 0x5555);
}

TEST(NMixerDistortion, ClipsOrFoldsTheExcessOfBothSigns)
{
    struct Case {
        std::int32_t drive, fold, in, out;
    };
    for (const Case& c : {Case{0, 0, 20000, 16384}, // 20000 * 127 >> 6 = 39687, clipped to 32768, halved
                          {0, 0, -20000, -16384}, {0, 0, 100, 99}, {0, 0, 0, 0},
                          {0, 255, 20000, 12938}, // 32768 - ((6919 * 255) >> 8) = 25877, halved
                          {0, 255, -20000, -12938}, {128, 0, 1000, (1000 * 255 >> 6) >> 1}}) {
        std::int32_t block[ntime::BlockFrames] = {c.in};
        NMixer::distort(block, c.drive, c.fold);
        EXPECT_EQ(block[0], c.out) << c.drive << " " << c.fold << " " << c.in;
    }
}

// How tempo changes and a seamless loop export is pinned by the golden renders.
TEST_F(NMixerTest, WritesTheLoopStepByStepAndPutsTheSongBack)
{
    for (auto [loopStart, loopEnd, steps] : {std::array{1, 2, 16}, {2, 2, 0}}) {
        sequencer.loopOn = true;
        sequencer.position = 768;
        sequencer.loopStart = loopStart;
        sequencer.loopEnd = loopEnd;
        machines[0].resets = 0;
        EXPECT_EQ(mixer.exportToWav(dir.file("out.wav")), NMixer::ExportResult::Written);
        EXPECT_TRUE(services.messageBox.shown.empty());
        expectWav(steps);
        // Left stopped in song mode with looping off, back at the remembered position.
        EXPECT_FALSE(sequencer.loopOn || sequencer.playing);
        EXPECT_EQ(sequencer.mode, 1);
        EXPECT_EQ(sequencer.position, 768);
        // Each stop resets machine 0 twice, as track 0's machine and through the mixer: before and after.
        EXPECT_EQ(machines[0].resets, 4);
    }
}

TEST_F(NMixerTest, AnExportStoppedByEscapeOrAFailingWriteKeepsTheStepsWrittenBefore)
{
    services.keyState.down.insert(KESOKeyState::Escape); // aborts after the step in hand
    EXPECT_EQ(mixer.exportToWav(dir.file("out.wav")), NMixer::ExportResult::Aborted);
    expectMessage("Aborted", {"The .WAV export was aborted."});
    expectWav(1);
    services.keyState.down.clear();

    machines[0].renders = 0;
    {
        FileSizeLimit limit(100000); // the header and 4 steps fit; the 5th is cut short
        EXPECT_EQ(mixer.exportToWav(dir.file("out.wav")), NMixer::ExportResult::Failed);
    }
    expectMessage("Export Failed", {dir.path("out.wav"), "File too large"});
    expectWav(4, true);
    EXPECT_EQ(machines[0].renders, 5 * 172); // nothing rendered after the failing write
    EXPECT_FALSE(sequencer.playing);
}

TEST_F(NMixerTest, AFileThatCannotBeWrittenFailsAtOnceAndLeavesTheSongAlone)
{
    const std::pair<std::string, std::string> cases[] = {
        {dir.path("missing/out.wav"), "No such file or directory"},
        {"/dev/full", "No space left on device"},
    };
    for (const auto& [path, reason] : cases) {
        sequencer.mode = 0;
        sequencer.loopOn = true;
        sequencer.position = 512;
        EXPECT_EQ(mixer.exportToWav(String::fromUtf8(path)), NMixer::ExportResult::Failed);
        expectMessage("Export Failed", {path, reason});
        EXPECT_EQ(machines[0].renders, 0);
        EXPECT_EQ(sequencer.mode, 0);
        EXPECT_EQ(sequencer.position, 512);
        EXPECT_TRUE(sequencer.loopOn);
    }
    EXPECT_FALSE(std::filesystem::exists(cases[0].first));
}

} // namespace
