// ruzi-render against hostile songs, outputs and circumstances: what it refuses, how it says so, and
// that whatever it leaves behind is a valid file.
#include "tests/support/CommandRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavBytes.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

namespace {

const std::string renderer = std::string(RUZI_BIN_DIR) + "/ruzi-render";

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

class RuziRenderOutput : public ::testing::Test {
protected:
    // What the renderer said, its status last. Through a pipe, which a file size limit does not reach.
    std::string run(const std::string& before, const std::string& arguments)
    {
        return CommandRun::run("((" + before + renderer + " " + arguments + "; echo status $?) 2>&1 | cat)",
                               dir.path(""))
            .out;
    }

    // A loop of `bars` bars, stored at one tempo while the mixer plays another.
    void writeSong(int bars, int storedTempo, int mixerTempo, const std::string& sample = "")
    {
        NSongDescription s;
        s.tempo = storedTempo;
        s.loopStart = 0;
        s.loopEnd = bars;
        s.machines[4].songSet.assign(41, 0);
        s.machines[4].songSet[39] = mixerTempo;
        if (!sample.empty())
            s.drums.samples[11] = dir.file(sample);
        ASSERT_TRUE(NSongBuilder::write(s, dir.file("song.vdl")));
    }

    // The header's lengths are those of the file.
    void expectValidWav()
    {
        std::vector<unsigned char> wav = dir.readBytes("out.wav");
        ASSERT_GT(wav.size(), 44u);
        auto le32 = [&](size_t at) { return wav[at] | wav[at + 1] << 8 | wav[at + 2] << 16 | wav[at + 3] << 24; };
        EXPECT_EQ(le32(4) + 8u, wav.size());
        EXPECT_EQ(le32(40) + 44u, wav.size());
    }

    TempDir dir;
};

// The mixer plays 1 bpm: a bar of 16 steps lasts 16 x 661472 frames, 50 bars fit in a WAV file, 51
// do not.
TEST_F(RuziRenderOutput, RefusesALoopTooLongForAWavFileBeforeWritingAnything)
{
    writeSong(999, 120, 1);
    for (std::string options : {"--end 51", "--end 50 --tail 3600", "--seamless"}) {
        std::string said = run("", "-o out.wav song.vdl " + options);
        EXPECT_TRUE(contains(said, "the loop would last ") && contains(said, "holds at most 3 h 22 min 53 s")) << said;
        EXPECT_TRUE(contains(said, "status 6")) << options;
        EXPECT_FALSE(std::filesystem::exists(dir.path("out.wav"))) << options;
    }
    EXPECT_TRUE(contains(run("", "-o out.wav song.vdl"), "would last 66 h 35 min 49 s (999 bars at 1 bpm)"));
    EXPECT_TRUE(contains(run("", "--help"), "6 the loop is too long for a WAV file"));
    // --info shows the tempo that plays.
    EXPECT_TRUE(contains(run("", "--info song.vdl"), "Tempo:      1 bpm (stored as 120 bpm), 16 steps per bar (661472 "));
}

// The header is written last, so a WAV needs a file it can seek in; a pipe without a reader would
// also block the open for good.
TEST_F(RuziRenderOutput, RefusesOutputsThatAreNotRegularFilesBeforeRendering)
{
    ASSERT_EQ(mkfifo(dir.path("fifo").c_str(), 0600), 0);
    for (std::string output : {"/dev/stdout", "fifo", "/dev/null"}) {
        std::string said = run("timeout 20 ", "--start 0 --end 1 --quiet -o " + output);
        EXPECT_TRUE(contains(said, "Not a regular file\nstatus 4")) << output << ": " << said.substr(0, 200);
    }
}

// A file size limit stands in for a full disk: the write that meets it fails part way.
TEST_F(RuziRenderOutput, AFailedWriteLeavesAFileItsHeaderDescribesOrNone)
{
    writeSong(1, 120, 120);
    std::string said = run("trap '' XFSZ; ulimit -f 300; ", "-o out.wav song.vdl"); // 512-byte blocks
    EXPECT_TRUE(contains(said, "File too large\nThe file was cut to the 33024 frames")) << said; // 6 whole steps
    EXPECT_TRUE(contains(said, "status 4"));
    expectValidWav();

    said = run("trap '' XFSZ; ulimit -f 0; ", "-o out.wav song.vdl");
    EXPECT_TRUE(contains(said, "File too large\nThe file held no audio and was removed.\nstatus 4")) << said;
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.wav")));
}

// As Ctrl-C: abort after the step in hand. 999 bars of the bundled song take long enough.
TEST_F(RuziRenderOutput, TermAndHangUpAbortAndLeaveAValidWav)
{
    for (std::string signal : {"TERM", "HUP"}) {
        CommandRun r = CommandRun::run("(" + renderer + " --end 999 -o out.wav & pid=$!; sleep 1; kill -" + signal +
                                           " $pid; wait $pid)",
                                       dir.path(""));
        EXPECT_EQ(r.status, 5) << signal << ": " << r.err;
        expectValidWav();
    }
}

// A 16-bit mono WAV whose data chunk holds 16 x `units` MiB of silence, sparse on the disk.
void writeSilentWav(const std::string& path, int units)
{
    WavBytes::Bytes wav = WavBytes().format(1, 1, 44100, 2, 16).data({}).bytes();
    wav[7] = wav[43] = static_cast<unsigned char>(units); // the top bytes of the RIFF and data lengths
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(wav.data()), wav.size());
    std::filesystem::resize_file(path, wav.size() + (static_cast<std::uintmax_t>(units) << 24));
}

TEST_F(RuziRenderOutput, ASampleBeyondTenMinutesIsRefusedAndOneBeyondMemoryIsReported)
{
    writeSilentWav(dir.path("huge.wav"), 4);
    writeSong(1, 120, 120, "huge.wav");
    const std::string reason = "pad 11 BD  " + dir.path("huge.wav") +
                               " (not loaded: too large (64 MiB); a sample may hold at most 10 minutes of 16-bit "
                               "mono (50 MiB))";
    EXPECT_TRUE(contains(run("", "--info song.vdl"), "      " + reason + "\n"));
    EXPECT_TRUE(contains(run("", "-o out.wav song.vdl"), "ruzi-render: warning: " + reason + "\nWrote "));
#if !defined(__SANITIZE_ADDRESS__) // which needs more address space than the limit leaves
    writeSilentWav(dir.path("big.wav"), 3); // 48 MiB, read whole, then copied
    writeSong(1, 120, 120, "big.wav");
    EXPECT_EQ(run("ulimit -v 80000; ", "-o out.wav song.vdl"), "ruzi-render: out of memory\nstatus 7\n");
#endif
}

} // namespace
