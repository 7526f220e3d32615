#include "audio/NMixer.h"

#include "engine/NMachine.h"
#include "engine/NSequencer.h"
#include "foundation/KESOKeyState.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <vector>

namespace {

// Renders `value` into every frame, or only into the first frame it renders when it is an impulse.
// Counts what the mixer and the sequencer ask of it.
class TestMachine : public NMachine {
public:
    explicit TestMachine(std::int32_t v = 0, bool impulse = false) : NMachine(20), value(v), impulse(impulse) {}
    void render(std::int32_t* block) override
    {
        ++renders;
        std::fill(block, block + ntime::BlockFrames, impulse ? 0 : value);
        block[0] = impulse ? std::exchange(value, 0) : value;
    }
    void onEvent(int kind) override { steps += kind == NSequencer::StepEvent; }
    void resetPlayback() override { ++resets; }

    std::int32_t value;
    bool impulse;
    int renders = 0, steps = 0, resets = 0;
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

// The file an export must write: 44100 Hz 16-bit stereo, `frames` frames, all silent but `sounds`.
WavBytes::Bytes exportedWav(int frames, std::int16_t constant, std::vector<std::pair<int, std::int16_t>> sounds = {})
{
    std::vector<std::int16_t> samples(2 * static_cast<size_t>(frames), constant);
    for (auto [frame, value] : sounds)
        samples[2 * static_cast<size_t>(frame)] = samples[2 * static_cast<size_t>(frame) + 1] = value;
    return WavBytes().format(1, 2, 44100, 4, 16).data(WavBytes::pcm16(samples)).bytes();
}

class NMixerTest : public ::testing::Test {
protected:
    NMixerTest() { resetSequencer(); }
    ~NMixerTest() override { resetSequencer(); }

    // Writes both parameter sets (the sequencer is in pattern mode until an export switches it).
    void set(int index, int value)
    {
        mixer.setParameter(index, value);
        mixer.setCurrentSetParameter(index, value);
    }
    void setMachine(int m, int offset, int value) { set(8 * m + offset, value); }

    // One machine at full volume (256: gains pass unchanged), centred, with these effect sends.
    void useOne(NMachine& machine, int delaySend = 0, int reverbSend = 0)
    {
        mixer.addMachine(&machine);
        setMachine(0, NMixer::Volume, 256);
        setMachine(0, NMixer::Pan, 128);
        setMachine(0, NMixer::DelaySend, delaySend);
        setMachine(0, NMixer::ReverbSend, reverbSend);
    }

    // Frames the mixer does not write keep 0x5555.
    std::vector<std::int16_t> render(int frames)
    {
        std::vector<std::int16_t> out(2 * static_cast<size_t>(frames) + 8, 0x5555);
        mixer.render(out.data(), frames);
        return out;
    }
    int nonZeroSamples(int frames)
    {
        std::vector<std::int16_t> out = render(frames);
        return static_cast<int>(std::count_if(out.begin(), out.begin() + 2 * frames, [](std::int16_t v) { return v; }));
    }

    NSequencer& sequencer = NSequencer::instance();
    FakeServices services;
    NMixer mixer;
};

TEST_F(NMixerTest, VolumePanDistortionAndSaturationAddUpOverWholeBlocks)
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
        {20000, 256, 128, 0, 4960, 4960},
        {20000, 256, 128, 1, 4064, 4064}, // distorted to 16384
        {140550, 256, 128, 0, 32767, 32767},
        {-140550, 256, 128, 0, -32768, -32768},
        {131586, 256, 128, 0, 32639, 32639}, // just inside: 131071 converts to 32639
    };
    TestMachine machine;
    useOne(machine);
    for (const Case& c : cases) {
        machine.value = c.value;
        setMachine(0, NMixer::Volume, c.volume);
        setMachine(0, NMixer::Pan, c.pan);
        setMachine(0, NMixer::DistortionOn, c.distortion);
        std::vector<std::int16_t> out = render(32);
        EXPECT_EQ(out[0], c.left) << c.value << " pan " << c.pan;
        EXPECT_EQ(out[1], c.right) << c.value << " pan " << c.pan;
        EXPECT_EQ(out[63], c.right);
    }

    TestMachine other(-3000);
    mixer.addMachine(&other);
    setMachine(1, NMixer::Volume, 256);
    setMachine(1, NMixer::Pan, 255);
    machine.value = 1000;
    std::vector<std::int16_t> out = render(32);
    EXPECT_EQ(out[0], (984 * 255) >> 10);   // 996 + (-3000 >> 8)
    EXPECT_EQ(out[1], (-1993 * 255) >> 10); // 996 - 2989

    EXPECT_EQ(render(31)[0], 0x5555); // less than a block: nothing rendered
    out = render(100);                // three whole blocks
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

TEST_F(NMixerTest, DelayEchoesAfterItsStepsPansItsReturnAndEmptiesWhenClearedOrRebuilt)
{
    TestMachine machine(1000, true);
    useOne(machine, 256);
    set(NMixer::DelaySteps, 1); // 5504 frames at 120 bpm
    set(NMixer::DelayPan, 255);
    std::vector<std::int16_t> out = render(6016);
    EXPECT_EQ(out[0], 248); // the dry impulse, centred
    EXPECT_EQ(out[1], 248);
    EXPECT_EQ(out[2 * 5504], 0); // the echo panned hard right: (1000 * 1) >> 8 is 3, too small
    EXPECT_EQ(out[2 * 5504 + 1], 248);
    EXPECT_EQ(std::count(out.begin(), out.begin() + 2 * 6016, 0), 2 * 6016 - 3);

    for (bool rebuild : {false, true}) {
        machine.value = 1000;
        render(2048);
        rebuild ? set(NMixer::Tempo, 140) : mixer.clearDelay(); // at 140 bpm: a new line of 147 blocks
        EXPECT_EQ(nonZeroSamples(8192), 0) << rebuild;
    }
}

TEST_F(NMixerTest, ReverbReturnsEachSideFromItsOwnCombsOrBothFromTheLeftInMonoUntilCleared)
{
    TestMachine machine(0, true);
    useOne(machine, 0, 256);
    set(NMixer::ReverbLevel, 256);
    const std::int16_t echo = (16384 * 255) >> 10; // the send returns unscaled at level 256
    for (int mono : {0, 1}) {
        mixer.clearReverb();
        machine.value = 16384;
        set(NMixer::ReverbMono, mono);
        std::vector<std::int16_t> out = render(1728);
        EXPECT_EQ(out[2 * 1693], echo) << mono; // the first comb of the left table
        EXPECT_EQ(out[2 * 1693 + 1], mono ? echo : 0) << mono;
        EXPECT_EQ(out[2 * 1713 + 1], mono ? 0 : echo) << mono; // the first comb of the right table
    }
    mixer.clearReverb();
    machine.value = 16384;
    render(1024);
    set(NMixer::ReverbLevel, 0); // the tail stands still
    EXPECT_EQ(nonZeroSamples(4096), 0);
    set(NMixer::ReverbLevel, 256);
    EXPECT_EQ(render(1024)[2 * (1693 - 1024)], echo);
    mixer.clearReverb();
    EXPECT_EQ(nonZeroSamples(4096), 0);
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
// alone sounds, at 2470 on both sides; a step is 5504 frames.
class NMixerExportTest : public NMixerTest {
protected:
    NMixerExportTest()
    {
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

    // Exports and expects the file, and a message box with the caption and these parts of the text.
    void expectExport(NMixer::ExportResult result, const std::vector<std::string>& message, const WavBytes::Bytes& wav)
    {
        EXPECT_EQ(mixer.exportToWav(dir.file("out.wav")), result);
        ASSERT_EQ(services.messageBox.shown.size(), message.empty() ? 0u : 1u);
        if (!message.empty()) {
            const FakeMessageBox::Message& shown = services.messageBox.shown[0];
            EXPECT_EQ(shown.caption, message[0]);
            for (size_t i = 1; i < message.size(); ++i)
                EXPECT_NE(shown.text.find(message[i]), std::string::npos) << shown.text;
        }
        services.messageBox.shown.clear();
        WavBytes::Bytes written = dir.readBytes("out.wav");
        if (result == NMixer::ExportResult::Failed && written.size() > wav.size())
            written.resize(wav.size()); // what reached the disk of the failing step is no part of the file
        EXPECT_EQ(written, wav);
    }

    TestMachine machines[4];
    TempDir dir;
};

TEST_F(NMixerExportTest, WritesTheLoopStepByStepAndLeavesTheSequencerStoppedInSongMode)
{
    // At 140 bpm a step is 147 blocks instead of 172: with the tempo changed at bar 1 the last step
    // begins at block 16 * 172 + 15 * 147 = 4957, inside the 29th write of 172 blocks.
    for (auto [loopStart, loopEnd, steps, position] : {std::array{1, 2, 16, 768}, {2, 2, 0, 768}, {0, 2, 29, 0}}) {
        if (steps == 29)
            sequencer.tracks[4].addEvent(256, NMixer::Tempo, 140);
        sequencer.loopOn = true;
        sequencer.position = position;
        sequencer.loopStart = loopStart;
        sequencer.loopEnd = loopEnd;
        machines[0].resets = 0;
        expectExport(NMixer::ExportResult::Written, {}, exportedWav(steps * 5504, 2470));
        EXPECT_FALSE(sequencer.loopOn);
        EXPECT_FALSE(sequencer.playing);
        EXPECT_EQ(sequencer.mode, 1);
        EXPECT_EQ(sequencer.position, position);
        EXPECT_EQ(sequencer.tempo, 120); // back at the remembered position, the base event rules again
        // Each stop resets machine 0 twice, as track 0's machine and through the mixer: before and after.
        EXPECT_EQ(machines[0].resets, 4);
    }
}

TEST_F(NMixerExportTest, EscapeAbortsAfterTheStepInHandAndAFailingWriteKeepsTheStepsBeforeIt)
{
    services.keyState.down.insert(KESOKeyState::Escape);
    expectExport(NMixer::ExportResult::Aborted, {"Aborted", "The .WAV export was aborted."}, exportedWav(5504, 2470));
    EXPECT_FALSE(sequencer.playing);
    services.keyState.down.clear();

    machines[0].renders = 0;
    {
        FileSizeLimit limit(100000); // the header and 4 steps fit; the 5th is cut short
        expectExport(NMixer::ExportResult::Failed, {"Export Failed", dir.path("out.wav"), "File too large"},
                     exportedWav(4 * 5504, 2470));
    }
    EXPECT_EQ(machines[0].renders, 5 * 172); // nothing rendered after the failing write
    EXPECT_FALSE(sequencer.playing);
}

TEST_F(NMixerExportTest, AFileThatCannotBeWrittenFailsAtOnceAndLeavesTheSongAlone)
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
        ASSERT_EQ(services.messageBox.shown.size(), 1u);
        EXPECT_EQ(services.messageBox.shown[0].caption, "Export Failed");
        EXPECT_NE(services.messageBox.shown[0].text.find(path), std::string::npos);
        EXPECT_NE(services.messageBox.shown[0].text.find(reason), std::string::npos);
        services.messageBox.shown.clear();
        EXPECT_EQ(machines[0].renders, 0);
        EXPECT_EQ(sequencer.mode, 0);
        EXPECT_TRUE(sequencer.loopOn);
        EXPECT_EQ(sequencer.position, 512);
    }
    EXPECT_FALSE(std::filesystem::exists(cases[0].first));
}

} // namespace
