#include "audio/NMixer.h"

#include "engine/NMachine.h"
#include "engine/NSequencer.h"
#include "foundation/KESOKeyState.h"
#include "tests/support/FakeServices.h"
#include "tests/support/RecordingMachine.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavBytes.h"
#include "engine/NTime.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <set>
#include <sys/resource.h>
#include <utility>
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

// Limits the size of every file this process writes, for the life of the object (0: no limit). A
// write past it fails rather than raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        const rlimit limit{bytes != 0 ? bytes : saved_.rlim_cur, saved_.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    void (*previous_)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved_{};
};

// Wired as the core wires them: four sound machines, and the mixer as the fifth track. Machine 0
// alone sounds, at 2470 on both sides; a step is 5504 frames. How the effects sound in the mix
// (delay, stereo and mono reverb) is pinned by the golden renders.
class NMixerTest : public ::testing::Test {
protected:
    NMixerTest()
    {
        for (int m = 0; m < 4; ++m) {
            mixer.addMachine(&machines[m]);
            sequencer.tracks[m].machine = &machines[m];
        }
        sequencer.tracks[4].machine = &mixer;
        mixer.resetDefaults();
        machines[0].value = 10000;
        setMachine(0, NMixer::Volume, 255);
        setMachine(3, NMixer::Volume, 0);
    }

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

    SequencerFixture fixture; // puts the sequencer back afterwards
    NSequencer& sequencer = NSequencer::instance();
    FakeServices services;
    NMixer mixer;
    TestMachine machines[4];
    TempDir dir;
};

// Volume, pan and distortion are pinned by the export below and the golden renders; here the
// saturation at both rails and just inside them.
TEST_F(NMixerTest, TheMixSaturatesTo16BitsInWholeBlocks)
{
    setMachine(0, NMixer::Volume, 256);
    for (auto [value, out] : {std::pair{140550, 32767}, {-140550, -32768}, {131586, 32639}}) { // 131071 gives 32639
        machines[0].value = value;
        std::vector<std::int16_t> frames = render(100); // three whole blocks, the rest untouched
        EXPECT_EQ((std::array<int, 4>{frames[0], frames[1], frames[191], frames[192]}),
                  (std::array{out, out, out, 0x5555})) << value;
    }
}

// Every export, however it ends, leaves the song stopped in song mode with looping off, back at its
// position; a file that cannot be written fails before the song is touched. How tempo changes and
// a seamless loop export is pinned by the golden renders.
TEST_F(NMixerTest, AnExportWritesTheLoopStepByStepUntilEscapeOrAFailingWriteAndPutsTheSongBack)
{
    using Result = NMixer::ExportResult;
    const std::string out = dir.path("out.wav"), missing = dir.path("missing/out.wav");
    auto failed = [](const std::string& path, const std::string& why) {
        return "Export Failed: The .WAV export failed.\nCould not write \"" + path + "\":\n" + why;
    };
    struct Case {
        std::string path;
        int loopStart, loopEnd;
        bool escape;      // held: the export stops after the step in hand
        rlim_t sizeLimit; // 0 for none
        Result result;
        int steps;           // written, or -1 when the file failed at once
        std::string message; // caption: text
    };
    const Case cases[] = {
        {out, 1, 2, false, 0, Result::Written, 16, ""},
        {out, 2, 2, false, 0, Result::Written, 0, ""},
        {out, 0, 1, true, 0, Result::Aborted, 1, "Aborted: The .WAV export was aborted."},
        {out, 0, 1, false, 100000, Result::Failed, 4, // the 5th step cut short, and cut off the file
         failed(out, "File too large") + "\nThe file was cut to the 22016 frames that were written whole, which its "
                                         "header covers."},
        {missing, 0, 1, false, 0, Result::Failed, -1, failed(missing, "No such file or directory")},
        {"/dev/full", 0, 1, false, 0, Result::Failed, -1, failed("/dev/full", "Not a regular file")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " " + std::to_string(c.loopStart));
        sequencer.mode = 0;
        sequencer.loopOn = true;
        sequencer.position = 768;
        sequencer.loopStart = c.loopStart;
        sequencer.loopEnd = c.loopEnd;
        machines[0].resets = machines[0].renders = 0;
        services.keyState.down = c.escape ? std::set<int>{KESOKeyState::Escape} : std::set<int>{};
        {
            FileSizeLimit limit(c.sizeLimit);
            EXPECT_EQ(mixer.exportToWav(String::fromUtf8(c.path)), c.result);
        }
        std::string shown;
        for (const FakeMessageBox::Message& m : std::exchange(services.messageBox.shown, {}))
            shown += m.caption + ": " + m.text;
        EXPECT_EQ(shown, c.message);
        // Nothing is rendered after a failing write; a failure at once renders nothing at all.
        const bool atOnce = c.steps < 0;
        EXPECT_EQ(machines[0].renders, atOnce ? 0 : (c.steps + (c.result == Result::Failed)) * 172);
        EXPECT_EQ((std::array<int, 4>{sequencer.mode, sequencer.loopOn, sequencer.playing, sequencer.position}),
                  (std::array<int, 4>{!atOnce, atOnce, false, 768}));
        // Each stop resets machine 0 twice, as track 0's machine and through the mixer: before and after.
        EXPECT_EQ(machines[0].resets, atOnce ? 0 : 4);
        if (atOnce)
            continue;
        // 44100 Hz 16-bit stereo, 2470 throughout. What reached the disk of a failing step is cut off.
        WavBytes::Bytes wav = WavBytes().format(1, 2, 44100, 4, 16)
                                  .data(WavBytes::pcm16(std::vector<std::int16_t>(2 * 5504 * size_t(c.steps), 2470)))
                                  .bytes();
        EXPECT_EQ(dir.readBytes("out.wav"), wav);
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
}

} // namespace
