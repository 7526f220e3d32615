#include "audio/NMixer.h"

#include "engine/NMachine.h"
#include "engine/NSequencer.h"
#include "engine/NTime.h"
#include "foundation/KESOKeyState.h"
#include "tests/support/FakeServices.h"
#include "tests/support/RecordingMachine.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <set>
#include <sys/resource.h>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// Renders `value` into every frame, and counts its renders and resets.
struct TestMachine : NMachine {
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

// Wired as the core wires them: four sound machines, the mixer as the fifth track; a step is 5504
// frames. The golden renders pin how the mix sounds and the WAV files it makes.
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
        mixer.setParameter(NMixer::Volume, 255); // machine 0 alone is heard
    }

    SequencerFixture fixture; // puts the sequencer back afterwards
    NSequencer& sequencer = NSequencer::instance();
    FakeServices services;
    NMixer mixer;
    TestMachine machines[4];
    TempDir dir;
};

// Saturation at both rails and just inside them; frames past the last whole block keep their value.
TEST_F(NMixerTest, TheMixSaturatesTo16BitsInWholeBlocks)
{
    mixer.setCurrentSetParameter(NMixer::Volume, 256); // the set pattern mode plays
    for (auto [value, out] : {std::pair{140550, 32767}, {-140550, -32768}, {131586, 32639}}) { // 131071 gives 32639
        machines[0].value = value;
        std::vector<std::int16_t> frames(2 * 100 + 8, 0x5555);
        mixer.render(frames.data(), 100); // three whole blocks
        EXPECT_EQ((std::array<int, 4>{frames[0], frames[1], frames[191], frames[192]}),
                  (std::array{out, out, out, 0x5555})) << value;
    }
}

// Every export, however it ends, leaves the song stopped in song mode with looping off, back at its
// position; a file that cannot be written fails before the song is touched.
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
        rlim_t sizeLimit; // on the files written; 0: none
        Result result;    // Aborted: Escape is held, and the export stops after the step in hand
        int steps;        // written; -1: the file failed at once
        std::string message;
    };
    const Case cases[] = {
        {out, 1, 2, 0, Result::Written, 16, ""},
        {out, 2, 2, 0, Result::Written, 0, ""},
        {out, 0, 1, 0, Result::Aborted, 1, "Aborted: The .WAV export was aborted."},
        {out, 0, 1, 100000, Result::Failed, 4, // the 5th step cut short, and cut off the file
         failed(out, "File too large") + "\nThe file was cut to the 22016 frames that were written whole, which its "
                                         "header covers."},
        {missing, 0, 1, 0, Result::Failed, -1, failed(missing, "No such file or directory")},
    };
    std::signal(SIGXFSZ, SIG_IGN); // a write past the size limit fails instead
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " " + std::to_string(c.loopStart));
        std::tie(sequencer.mode, sequencer.loopOn, sequencer.position, sequencer.loopStart, sequencer.loopEnd) =
            std::tuple(0, true, 768, c.loopStart, c.loopEnd);
        machines[0].resets = machines[0].renders = 0;
        services.keyState.down = c.result == Result::Aborted ? std::set<int>{KESOKeyState::Escape} : std::set<int>{};
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        const rlimit limit{c.sizeLimit != 0 ? c.sizeLimit : saved.rlim_cur, saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
        EXPECT_EQ(mixer.exportToWav(String::fromUtf8(c.path)), c.result);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::string shown;
        for (const FakeMessageBox::Message& m : std::exchange(services.messageBox.shown, {}))
            shown += m.caption + ": " + m.text;
        EXPECT_EQ(shown, c.message);
        // Nothing is rendered after a failing write, and nothing at all for a failure at once. Each
        // stop, before and after, resets machine 0 twice: as track 0's machine and through the mixer.
        const bool atOnce = c.steps < 0;
        EXPECT_EQ((std::array<int, 6>{machines[0].renders, machines[0].resets, sequencer.mode, sequencer.loopOn,
                                      sequencer.playing, sequencer.position}),
                  (std::array<int, 6>{atOnce ? 0 : (c.steps + (c.result == Result::Failed)) * 172, atOnce ? 0 : 4,
                                      !atOnce, atOnce, false, 768}));
        // Whole steps only: what reached the disk of a failing step is cut off.
        EXPECT_TRUE(atOnce || std::filesystem::file_size(out) == 44 + 4 * 5504 * std::uintmax_t(c.steps));
    }
}

} // namespace
