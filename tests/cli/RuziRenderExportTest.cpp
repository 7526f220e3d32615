#include "tests/support/CommandRun.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

namespace {

const std::string renderer = std::string(RUZI_BIN_DIR) + "/ruzi-render";

// The bundled song plays at 124 bpm, a step of 5312 frames of 4 bytes, and loops 4 bars of 16 steps.
constexpr std::size_t StepBytes = 5312 * 4;
constexpr std::size_t BundledLoopBytes = 4 * 16 * StepBytes;
constexpr std::size_t StepBytesAt120 = 5504 * 4;

class RuziRenderExport : public ::testing::Test {
protected:
    CommandRun render(const std::string& arguments) { return CommandRun::run(renderer + " " + arguments, dir.path("")); }

    std::string sox(const std::string& query, const std::string& file)
    {
        CommandRun run = CommandRun::run("sox --i " + query + " '" + dir.path(file) + "'");
        return run.out;
    }

    TempDir dir;
};

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

// The bytes of the bundled loop, and of seamless and tail exports, are pinned by the golden renders.
TEST_F(RuziRenderExport, RendersTheBundledLoopIntoAWavThatOthersRead)
{
    CommandRun run = render("");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Wrote " + dir.path("newsong.wav") + ": 7.709 s")) << run.out;
    std::vector<unsigned char> wav = dir.readBytes("newsong.wav");
    ASSERT_EQ(wav.size(), 44 + BundledLoopBytes);
    EXPECT_EQ(sox("-r", "newsong.wav"), "44100\n");
    EXPECT_EQ(sox("-c", "newsong.wav"), "2\n");
    EXPECT_EQ(sox("-b", "newsong.wav"), "16\n");
    EXPECT_EQ(sox("-s", "newsong.wav"), std::to_string(BundledLoopBytes / 4) + "\n");
}

TEST_F(RuziRenderExport, LoopBarsFromTheCommandLine)
{
    CommandRun one = render("--start 1 --end 2 -o one.wav --quiet");
    ASSERT_EQ(one.status, 0);
    EXPECT_TRUE(one.out.empty() && one.err.empty()) << one.out << one.err;
    EXPECT_EQ(dir.readBytes("one.wav").size(), 44 + 16 * StepBytes); // one bar

    CommandRun empty = render("--start 3 --end 3");
    EXPECT_EQ(empty.status, 1);
    EXPECT_TRUE(contains(empty.err, "the loop is empty")) << empty.err;
    EXPECT_EQ(render("--end 0").status, 1);
    EXPECT_EQ(render("--start x").status, 1);
    EXPECT_EQ(render("--tail").status, 1);
    EXPECT_EQ(render("--bogus").status, 1);
    EXPECT_EQ(render("a.vdl b.vdl").status, 1);
}

TEST_F(RuziRenderExport, NamesTheOutputAfterTheSong)
{
    NSongDescription song;
    song.loopStart = 0;
    song.loopEnd = 1;
    ASSERT_TRUE(NSongBuilder::write(song, dir.file("My Groove.vdl")));
    ASSERT_EQ(render("'My Groove.vdl'").status, 0);
    EXPECT_EQ(dir.readBytes("My Groove.wav").size(), 44 + 16 * StepBytesAt120);
}

TEST_F(RuziRenderExport, ExitStatusSaysWhatWentWrong)
{
    EXPECT_EQ(render("absent.vdl").status, 2);
    dir.writeBytes("text.vdl", {'x', 'y', 'z', '\n'});
    EXPECT_EQ(render("text.vdl").status, 3);

    CommandRun noFolder = render("-o no/such/folder/out.wav");
    EXPECT_EQ(noFolder.status, 4);
    EXPECT_TRUE(contains(noFolder.err, "no/such/folder/out.wav")) << noFolder.err;
    EXPECT_EQ(render("-o /dev/full").status, 4);
}

TEST_F(RuziRenderExport, CtrlCAbortsAndLeavesAValidWav)
{
    // 999 bars take long enough to be interrupted.
    CommandRun run = CommandRun::run("(" + renderer + " --end 999 -o long.wav & pid=$!; sleep 1; kill -INT $pid; wait $pid)",
                                     dir.path(""));
    EXPECT_EQ(run.status, 5) << run.err;
    EXPECT_TRUE(contains(run.err, "The .WAV export was aborted.")) << run.err;
    std::vector<unsigned char> wav = dir.readBytes("long.wav");
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ((wav.size() - 44) % StepBytes, 0u); // whole steps, and the header says so
    EXPECT_EQ(sox("-s", "long.wav"), std::to_string((wav.size() - 44) / 4) + "\n");
}
