// ruzi-render against hostile songs, outputs and circumstances: what it refuses, how it says so,
// and that whatever it leaves behind is a valid file.
#include "tests/support/CommandRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavBytes.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

const std::string renderer = std::string(RUZI_BIN_DIR) + "/ruzi-render";

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A loop of `bars` bars, stored at one tempo while the mixer plays another.
NSongDescription song(int bars, int storedTempo, int mixerTempo)
{
    NSongDescription s;
    s.tempo = storedTempo;
    s.loopStart = 0;
    s.loopEnd = bars;
    s.machines[4].songSet.assign(41, 0);
    s.machines[4].songSet[39] = mixerTempo;
    return s;
}

class RuziRenderOutput : public ::testing::Test {
protected:
    CommandRun render(const std::string& arguments) { return CommandRun::run(renderer + " " + arguments, dir.path("")); }

    void write(const NSongDescription& s, const std::string& name = "song.vdl")
    {
        ASSERT_TRUE(NSongBuilder::write(s, dir.file(name)));
    }

    TempDir dir;
};

TEST_F(RuziRenderOutput, InfoShowsTheTempoThatPlaysAndTheStoredOneWhereTheyDiffer)
{
    write(song(1, 1, 120), "slow.vdl");
    write(song(1, 97, 97), "same.vdl");
    EXPECT_TRUE(contains(render("--info slow.vdl").out,
                         "Tempo:      120 bpm (stored as 1 bpm), 16 steps per bar (5504 frames per step)\n"));
    EXPECT_TRUE(contains(render("--info same.vdl").out, "Tempo:      97 bpm, 16 steps per bar (6816 frames per step)\n"));
}

// At 1 bpm a bar of 16 steps lasts 16 x 661472 frames: 50 bars fit in a WAV file, 51 do not.
TEST_F(RuziRenderOutput, RefusesALoopTooLongForAWavFileBeforeWritingAnything)
{
    write(song(999, 120, 1));
    for (const char* options : {"", "--end 51", "--end 50 --tail 3600", "--seamless"}) {
        CommandRun run = render(std::string("-o out.wav song.vdl ") + options);
        EXPECT_EQ(run.status, 6) << options;
        EXPECT_TRUE(contains(run.err, "the loop would last ")) << run.err;
        EXPECT_TRUE(contains(run.err, "a .WAV file holds at most 3 h 22 min 53 s")) << run.err;
        EXPECT_FALSE(std::filesystem::exists(dir.path("out.wav"))) << options;
    }
    EXPECT_TRUE(contains(render("-o out.wav song.vdl").err, "would last 66 h 35 min 49 s (999 bars at 1 bpm)"));
    EXPECT_TRUE(contains(render("--help").out, "6 the loop is too long for a WAV file"));
}

// Its header is written last, so a WAV needs a file it can seek in; a pipe without a reader would
// also block the open for good.
TEST_F(RuziRenderOutput, RefusesOutputsThatAreNotRegularFilesBeforeRendering)
{
    ASSERT_EQ(mkfifo(dir.path("fifo").c_str(), 0600), 0);
    const std::string loop = " --quiet --start 0 --end 1 -o ";
    for (std::string output : {"/dev/stdout", "fifo", "/dev/null"}) {
        // The status goes to stderr: through the pipe, the shell's status would be cat's.
        CommandRun run =
            CommandRun::run("((timeout 20 " + renderer + loop + output + "; echo status $? >&2) | cat)", dir.path(""));
        EXPECT_TRUE(contains(run.err, "status 4")) << output << ": " << run.err;
        EXPECT_TRUE(contains(run.err, "Not a regular file")) << run.err;
        EXPECT_TRUE(run.out.empty()) << output;
    }
}

std::uint32_t le32(const std::vector<unsigned char>& b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}

// A file size limit stands in for a full disk: the write that meets it fails part way. What the
// renderer says comes through a pipe, which the limit does not reach.
TEST_F(RuziRenderOutput, AFailedWriteLeavesAFileItsHeaderDescribesOrNone)
{
    write(song(1, 120, 120));
    auto limitedTo = [&](int blocks) { // of 512 bytes
        return CommandRun::run("((trap '' XFSZ; ulimit -f " + std::to_string(blocks) + "; " + renderer +
                                   " -o out.wav song.vdl; echo status $?) 2>&1 | cat)",
                               dir.path(""))
            .out;
    };
    std::string said = limitedTo(300);
    EXPECT_TRUE(contains(said, "File too large\nThe file was cut to the 33024 frames")) << said;
    EXPECT_TRUE(contains(said, "status 4"));
    std::vector<unsigned char> wav = dir.readBytes("out.wav");
    ASSERT_EQ(wav.size(), 44u + 6 * 5504 * 4); // whole steps only: a seventh would not fit
    EXPECT_EQ(le32(wav, 4), wav.size() - 8);
    EXPECT_EQ(le32(wav, 40), wav.size() - 44);

    said = limitedTo(0);
    EXPECT_TRUE(contains(said, "File too large\nThe file held no audio and was removed.")) << said;
    EXPECT_TRUE(contains(said, "status 4"));
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.wav")));
}

// A request to end from elsewhere stops the export as Ctrl-C does: after the step in hand, with a
// valid file. 999 bars of the bundled song take long enough to be interrupted.
TEST_F(RuziRenderOutput, TermAndHangUpAbortAndLeaveAValidWav)
{
    for (std::string signal : {"TERM", "HUP"}) {
        CommandRun run = CommandRun::run("(" + renderer + " --end 999 -o long.wav & pid=$!; sleep 1; kill -" + signal +
                                             " $pid; wait $pid)",
                                         dir.path(""));
        EXPECT_EQ(run.status, 5) << signal << ": " << run.err;
        EXPECT_TRUE(contains(run.err, "The .WAV export was aborted.")) << run.err;
        std::vector<unsigned char> wav = dir.readBytes("long.wav");
        ASSERT_GT(wav.size(), 44u) << signal;
        EXPECT_EQ(le32(wav, 4), wav.size() - 8) << signal;
        EXPECT_EQ(le32(wav, 40), wav.size() - 44) << signal;
    }
}

// A 16-bit mono WAV whose data chunk holds `bytes` of silence, sparse on the disk.
void writeSilentWav(const std::string& path, std::uint32_t bytes)
{
    WavBytes::Bytes wav = WavBytes().format(1, 1, 44100, 2, 16).data({}).bytes();
    for (int i = 0; i < 4; ++i) {
        wav[4 + i] = static_cast<unsigned char>((wav.size() - 8 + bytes) >> (8 * i));
        wav[40 + i] = static_cast<unsigned char>(bytes >> (8 * i));
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(wav.data()), wav.size());
    std::filesystem::resize_file(path, wav.size() + bytes);
}

TEST_F(RuziRenderOutput, ASampleBeyondTenMinutesIsRefusedAndNamedWithTheReason)
{
    writeSilentWav(dir.path("huge.wav"), 60 << 20);
    NSongDescription s = song(1, 120, 120);
    s.drums.samples[11] = dir.file("huge.wav");
    write(s);
    const std::string reason = "pad 11 BD  " + dir.path("huge.wav") +
                               " (not loaded: too large (60 MiB); a sample may hold at most 10 minutes of 16-bit "
                               "mono (50 MiB))";
    EXPECT_TRUE(contains(render("--info song.vdl").out, "      " + reason + "\n"));
    CommandRun run = render("-o out.wav song.vdl");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "ruzi-render: warning: " + reason + "\n");
}

// Under a memory limit, a sample within the size limit may still not fit: said, not a crash.
TEST_F(RuziRenderOutput, RunningOutOfMemoryIsReported)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer needs more address space than the limit leaves";
#endif
    writeSilentWav(dir.path("big.wav"), 40 << 20); // read whole, then copied: 80 MiB
    NSongDescription s = song(1, 120, 120);
    s.drums.samples[11] = dir.file("big.wav");
    write(s);
    CommandRun run = CommandRun::run("ulimit -v 60000; " + renderer + " -o out.wav song.vdl", dir.path(""));
    EXPECT_EQ(run.status, 7) << run.err;
    EXPECT_EQ(run.err, "ruzi-render: out of memory\n");
}

} // namespace
