// ruzi-render as users and scripts meet it: what it writes and says, how it ends on bad songs,
// outputs, signals and circumstances, and that whatever it leaves behind is a valid file.
#include "tests/support/CommandRun.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavBytes.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <tuple>

namespace {

const std::string renderer = std::string(RUZI_BIN_DIR) + "/ruzi-render";

// The bundled song plays at 124 bpm, a step of 5312 frames of 4 bytes. The bytes of its loop, and
// of seamless and tail exports, are pinned by the golden renders.
constexpr std::size_t StepBytes = 5312 * 4;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

void expectAll(const std::string& text, std::initializer_list<std::string> parts)
{
    for (const std::string& part : parts)
        EXPECT_TRUE(contains(text, part)) << part << " in:\n" << text;
}

std::uint32_t le32(const std::vector<unsigned char>& b, std::size_t at)
{
    return std::uint32_t(b[at] | b[at + 1] << 8 | b[at + 2] << 16) | std::uint32_t(b[at + 3]) << 24;
}

class RuziRender : public ::testing::Test {
protected:
    CommandRun render(const std::string& arguments) { return CommandRun::run(renderer + " " + arguments, dir.path("")); }
    // What the renderer said, its status last. Through a pipe, which a file size limit does not reach.
    std::string said(const std::string& before, const std::string& arguments)
    {
        const std::string command = "((" + before + renderer + " " + arguments + "; echo status $?) 2>&1 | cat)";
        return CommandRun::run(command, dir.path("")).out;
    }
    // A loop of `bars` bars, stored at one tempo while the mixer plays another.
    void writeSong(int bars, int storedTempo, int mixerTempo, const std::string& sample = "")
    {
        NSongDescription s;
        s.tempo = storedTempo;
        s.loopEnd = bars;
        s.machines[4].songSet.assign(41, 0);
        s.machines[4].songSet[39] = mixerTempo;
        if (!sample.empty())
            s.drums.samples[11] = dir.file(sample);
        ASSERT_TRUE(NSongBuilder::write(s, dir.file("song.vdl")));
    }
    // The header's lengths are those of the file.
    void expectValidWav(const std::string& name)
    {
        std::vector<unsigned char> wav = dir.readBytes(name);
        ASSERT_GT(wav.size(), 44u) << name;
        EXPECT_TRUE(le32(wav, 4) + 8u == wav.size() && le32(wav, 40) + 44u == wav.size()) << name << " " << wav.size();
    }
    // A run of the bundled song, long enough to be interrupted, sent `signal` after a second.
    CommandRun interrupted(const std::string& arguments, const std::string& signal)
    {
        const std::string kill = " & pid=$!; sleep 1; kill -" + signal + " $pid; wait $pid)";
        return CommandRun::run("(" + renderer + " " + arguments + kill, dir.path(""));
    }
    TempDir dir;
};

// A 16-bit mono WAV whose data chunk holds 16 x `units` MiB of silence, sparse on the disk.
void writeSilentWav(const std::string& path, int units)
{
    WavBytes::Bytes wav = WavBytes().format(1, 1, 44100, 2, 16).data({}).bytes();
    wav[7] = wav[43] = static_cast<unsigned char>(units); // the top bytes of the RIFF and data lengths
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(wav.data()), wav.size());
    std::filesystem::resize_file(path, wav.size() + (static_cast<std::uintmax_t>(units) << 24));
}

} // namespace

TEST_F(RuziRender, WritesTheLoopBarsNamedAfterTheSongAndHelpAndVersionGoToStandardOutput)
{
    CommandRun run = render("");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "Wrote " + dir.path("newsong.wav") + ": 7.709 s")) << run.out;
    expectValidWav("newsong.wav");
    CommandRun help = render("--info --help");
    EXPECT_TRUE(help.status == 0 && help.out.starts_with("usage: ruzi-render")) << help.out;
    EXPECT_TRUE(contains(help.out, "6 the loop is too long for a WAV file")) << help.out;
    EXPECT_EQ(render("--version").out, "ruzi-render 1.1\n");
}

TEST_F(RuziRender, ExitStatusSaysWhatWentWrong)
{
    dir.writeBytes("text.vdl", {'x', 'y', 'z', '\n'});
    dir.writeBytes("taken", {'x'});
    std::filesystem::create_directory(dir.path("sub"));
    for (auto [arguments, status, message] : {
             std::tuple{"--start 3 --end 3", 1, "the loop is empty"}, {"--tail", 1, ""},
             {"--bogus", 1, "ruzi-render: unknown option --bogus\nusage: ruzi-render"}, {"-j 0 a.vdl", 1, "-j takes"},
             {"--info absent.vdl", 2, "/absent.vdl: No such file or directory"},
             {"--info text.vdl", 3, "Unrecognized file: Sorry, this is not a readable VandrelStudio file."},
             {"-o no/such/folder/out.wav", 4, "no/such/folder/out.wav"}, {"-o /dev/full", 4, ""},
             {"--json a.vdl", 1, "--json goes with --info"}, {"a.vdl b.vdl --info", 1, "--info takes one song"},
             {"a.vdl sub/a.vdl -o out", 1, "a.vdl and sub/a.vdl would both be written to out/a.wav"},
             {"a.vdl b.vdl -o taken", 4, "cannot make the folder taken"}}) {
        CommandRun run = render(arguments);
        EXPECT_EQ(run.status, status) << arguments;
        EXPECT_TRUE(run.out.empty() && contains(run.err, message)) << arguments;
    }
    EXPECT_FALSE(std::filesystem::exists(dir.path("out")));
}

// Read back by a JSON parser, the summary's facts are the text's under their keys, names with quotes,
// backslashes and control characters intact.
TEST_F(RuziRender, InfoSummarisesASongAsTextOrJson)
{
    NSongDescription song;
    song.minor = song.loopOn = 0;
    song.tempo = 140;
    song.stepsPerBar = 12;
    song.loopStart = 1;
    song.loopEnd = 3;
    song.machines[0].arrangement = {0, -1, 31, 9};
    song.synths[0].setLength(9, 7);
    song.machines[3].arrangement = {1};
    song.machines[4].songSet.assign(41, 0);
    song.machines[4].songSet[39] = 140; // during playback the mixer's tempo rules
    song.machines[4].patternSet = song.machines[4].songSet;
    song.machines[4].automation = {{16, 39, 130}, {32, 39, 140}, {64, 2, 5}};
    song.drums.samples[11] = dir.file("say \"hi\"\\\t.wav");
    ASSERT_TRUE(NSongBuilder::write(song, dir.file("groove.vdl")));
    CommandRun run = render("--info groove.vdl"); // relative to the working directory
    EXPECT_TRUE(run.status == 0 && run.err.empty()) << run.err;
    expectAll(run.out, {"Written by: VandrelStudio 1.0\n", "Tempo:      140 bpm, 12 steps per bar",
                        "Mode:       song\n", "Loop:       bars 1 to 3 (end exclusive), off\n",
                        "SYN1  bars:       a1 - d8 b2\n", "SYN2  bars:       (no bars)\n", "DRM   bars:       a2\n",
                        "      automation: P2 x2, P39 x3\n", "Song:       " + dir.path("groove.vdl")});
    run = CommandRun::run("(" + renderer + " --info --json groove.vdl | python3 -c 'import json,sys; "
                          "print(json.load(sys.stdin)[\"kit\"][11][\"sample\"])')", dir.path(""));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, dir.path("say \"hi\"\\\t.wav") + "\n");
    run = render("--info"); // the bundled song, every pad of the default kit loaded
    EXPECT_FALSE(run.status != 0 || contains(run.out, "not loaded")) << run.out;
    expectAll(run.out, {"/data/newsong.vdl\n", "Loop:       bars 8 to 12 (end exclusive), on\n"});
}

// The sampler chunk follows the data unchanged, and readers that do not know it still read the audio.
TEST_F(RuziRender, LoopPointsMarkTheLoopAfterTheDataForSamplers)
{
    CommandRun quiet = render("--start 1 --end 2 --quiet -o plain.wav");
    ASSERT_TRUE(quiet.status == 0 && quiet.out.empty() && quiet.err.empty()) << quiet.out << quiet.err;
    const std::vector<unsigned char> plain = dir.readBytes("plain.wav");
    const std::uint32_t loopFrames = 16 * StepBytes / 4; // one bar
    ASSERT_EQ(plain.size(), 44 + loopFrames * 4);
    // With a tail of 0.1 s (4410 frames, rendered as whole blocks of 32: 4416) the loop ends before it.
    for (auto [options, fileFrames] :
         {std::pair{"", loopFrames}, {"--tail 0.1", loopFrames + 4416}, {"--seamless", loopFrames}}) {
        ASSERT_EQ(render("--start 1 --end 2 --quiet --loop-points -o out.wav " + std::string(options)).status, 0);
        std::vector<unsigned char> wav = dir.readBytes("out.wav");
        const std::size_t smpl = 44 + fileFrames * 4;
        ASSERT_EQ(wav.size(), smpl + 68) << options;
        EXPECT_EQ(le32(wav, 4), wav.size() - 8) << options;
        EXPECT_EQ(le32(wav, 40), fileFrames * 4) << options;
        EXPECT_EQ(std::string(wav.begin() + smpl, wav.begin() + smpl + 4), "smpl") << options;
        const std::uint32_t fields[] = {60, 0, 0, 22675, 60, 0, 0, 0, 1, 0, 0, 0, 0, loopFrames - 1, 0, 0};
        for (std::size_t i = 0; i < std::size(fields); ++i)
            EXPECT_EQ(le32(wav, smpl + 4 + 4 * i), fields[i]) << options << " field " << i;
        EXPECT_EQ(CommandRun::run("sox --i -s out.wav", dir.path("")).out, std::to_string(fileFrames) + "\n");
        if (*options == '\0') // the audio is the plain export's, to the byte
            EXPECT_TRUE(std::equal(plain.begin() + 8, plain.end(), wav.begin() + 8));
    }
}

// Each song of a batch in a process of its own: the very bytes of a single run, whatever else the
// batch holds and however many run at once.
TEST_F(RuziRender, BatchRendersEverySongAsASingleRunWouldAndReportsEachFailure)
{
    NSongDescription slow; // 120 bpm against the bundled song's 124: steps of 5504 frames
    slow.loopEnd = 2;
    slow.synths[0].setStep(0, 0, {});
    ASSERT_TRUE(NSongBuilder::write(slow, dir.file("slow.vdl")));
    std::filesystem::create_directory(dir.path("sub"));
    std::filesystem::copy_file(std::string(RUZI_BIN_DIR) + "/data/newsong.vdl", dir.path("sub/bundled.vdl"));
    dir.writeBytes("text.vdl", {'x', 'y', 'z', '\n'});
    CommandRun batch =
        render("slow.vdl text.vdl sub/bundled.vdl absent.vdl --start 0 --end 2 --loop-points -j 2 -o out/new/");
    EXPECT_EQ(batch.status, 3); // the highest: "not a song" over "cannot open"
    expectAll(batch.err, {"text.vdl is not a song\n", "text.vdl failed (status 3)\n",
                          "absent.vdl: No such file or directory\n", "absent.vdl failed (status 2)\n"});
    EXPECT_TRUE(contains(batch.out, "Wrote " + dir.path("out/new/slow.wav")));
    EXPECT_FALSE(std::filesystem::exists(dir.path("out/new/text.wav")));
    EXPECT_FALSE(contains(batch.err, "done in")); // progress lines only on a terminal
    for (auto [song, name] : {std::pair{"slow", "slow.wav"}, {"sub/bundled", "bundled.wav"}}) {
        ASSERT_EQ(render(std::string(song) + ".vdl --start 0 --end 2 --loop-points --quiet -o alone.wav").status, 0);
        EXPECT_EQ(dir.readBytes(std::string("out/new/") + name), dir.readBytes("alone.wav")) << song;
    }
    CommandRun onTerminal =
        CommandRun::run("script -qec '" + renderer + " slow.vdl sub/bundled.vdl --end 1 -j 1' /dev/null", dir.path(""));
    EXPECT_EQ(onTerminal.status, 1); // bar 8 of the bundled song is past --end 1
    expectAll(onTerminal.out, {"[1/2] slow.vdl: done in ", "[2/2] sub/bundled.vdl failed (status 1)"});
    ASSERT_EQ(render("slow.vdl --quiet -o folder/").status, 0); // a folder for a single song too
    EXPECT_EQ(dir.readBytes("folder/slow.wav").size(), 44 + 2 * 16 * 5504 * 4);
}

// Ctrl-C, TERM and HUP abort after the step in hand and leave a valid WAV of whole steps; in a batch
// the song in hand does the same and the others are not begun.
TEST_F(RuziRender, SignalsAbortAfterTheStepInHandAndLeaveValidWavs)
{
    for (std::string signal : {"INT", "TERM", "HUP"}) {
        CommandRun run = interrupted("--end 999 -o out.wav", signal);
        EXPECT_TRUE(run.status == 5 && contains(run.err, "The .WAV export was aborted.")) << signal;
        expectValidWav("out.wav");
        EXPECT_EQ((dir.readBytes("out.wav").size() - 44) % StepBytes, 0u) << signal;
    }
    for (const char* name : {"a.vdl", "b.vdl", "c.vdl"})
        std::filesystem::copy_file(std::string(RUZI_BIN_DIR) + "/data/newsong.vdl", dir.path(name));
    CommandRun batch = interrupted("a.vdl b.vdl c.vdl --end 999 -j 1", "TERM");
    EXPECT_TRUE(batch.status == 5 && contains(batch.err, "2 songs not rendered: aborted")) << batch.err;
    expectValidWav("a.wav");
    EXPECT_FALSE(std::filesystem::exists(dir.path("b.wav")));
}

TEST_F(RuziRender, StemsWriteOneFilePerMachineBesideAnUnchangedMix)
{
    ASSERT_EQ(render("--quiet -o plain.wav --seamless --tail 0.2").status, 0);
    CommandRun run = render("-o mix.wav --stems --seamless --tail 0.2");
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<unsigned char> mix = dir.readBytes("mix.wav");
    EXPECT_TRUE(mix == dir.readBytes("plain.wav"));
    for (const char* name : {"SYN1", "SYN2", "SYN3", "DRM"}) {
        const std::string stem = std::string("mix.") + name + ".wav";
        const std::vector<unsigned char> bytes = dir.readBytes(stem);
        ASSERT_EQ(bytes.size(), mix.size()) << stem; // the mix's header, other audio
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 44, mix.begin()) && bytes != mix) << stem;
        EXPECT_TRUE(contains(run.out, "Wrote " + dir.path(stem))) << stem;
    }
}

// Nothing is written for a loop too long for a WAV file: at the mixer's 1 bpm a bar of 16 steps
// lasts 16 x 661472 frames, 50 bars fit, 51 do not. The header is written last, so a WAV needs a
// file it can seek in (a pipe without a reader would also block the open for good). A file size
// limit stands in for a full disk: the write that meets it fails part way.
TEST_F(RuziRender, RefusesWhatCannotBeWrittenAndLeavesAFileItsHeaderDescribesOrNone)
{
    writeSong(999, 120, 1);
    for (std::string options : {"--end 51", "--end 50 --tail 3600", "--seamless"}) {
        expectAll(said("", "-o out.wav song.vdl " + options),
                  {"the loop would last ", "holds at most 3 h 22 min 53 s", "status 6"});
        EXPECT_FALSE(std::filesystem::exists(dir.path("out.wav"))) << options;
    }
    EXPECT_TRUE(contains(said("", "-o out.wav song.vdl"), "would last 66 h 35 min 49 s (999 bars at 1 bpm)"));
    expectAll(said("", "--info song.vdl"), {"Tempo:      1 bpm (stored as 120 bpm), 16 steps per bar (661472 "});
    ASSERT_EQ(mkfifo(dir.path("fifo").c_str(), 0600), 0);
    for (std::string output : {"/dev/stdout", "fifo", "/dev/null"}) {
        const std::string text = said("timeout -k 5 20 ", "--start 0 --end 1 --quiet -o " + output);
        EXPECT_TRUE(contains(text, "Not a regular file\nstatus 4")) << output << ": " << text.substr(0, 200);
    }
    writeSong(1, 120, 120);
    // 300 blocks of 512 bytes hold 6 whole steps.
    expectAll(said("trap '' XFSZ; ulimit -f 300; ", "-o out.wav song.vdl"),
              {"File too large\nThe file was cut to the 33024 frames", "status 4"});
    expectValidWav("out.wav");
    expectAll(said("trap '' XFSZ; ulimit -f 0; ", "-o out.wav song.vdl"),
              {"File too large\nThe file held no audio and was removed.\nstatus 4"});
    EXPECT_FALSE(std::filesystem::exists(dir.path("out.wav")));
}

TEST_F(RuziRender, ASampleBeyondTenMinutesIsRefusedAndOneBeyondMemoryIsReported)
{
    writeSilentWav(dir.path("huge.wav"), 4);
    writeSong(1, 120, 120, "huge.wav");
    const std::string reason = "pad 11 BD  " + dir.path("huge.wav") + " (not loaded: too large (64 MiB); a sample "
                               "may hold at most 10 minutes of 16-bit mono (50 MiB))";
    EXPECT_TRUE(contains(said("", "--info song.vdl"), "      " + reason + "\n"));
    EXPECT_TRUE(contains(said("", "-o out.wav song.vdl"), "ruzi-render: warning: " + reason + "\nWrote "));
#if !defined(__SANITIZE_ADDRESS__) // which needs more address space than the limit leaves
    writeSilentWav(dir.path("big.wav"), 3); // 48 MiB, read whole, then copied
    writeSong(1, 120, 120, "big.wav");
    EXPECT_EQ(said("ulimit -v 80000; ", "-o out.wav song.vdl"), "ruzi-render: out of memory\nstatus 7\n");
#endif
}
