// Exports for samplers and DAWs: a seamless loop is the second pass of the loop played round, its
// start faded in from the third pass so that its first frame follows its last; stems are the mix
// taken apart by machine.
#include "engine/NProgramSession.h"
#include "engine/NVandrelCore.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

constexpr int Block = ntime::BlockFrames;
constexpr int Seam = NMixer::SeamFrames;

using Frames = std::vector<std::int16_t>; // interleaved stereo

// Notes held across the loop's end (every step gated and slid into the next), a pulse and noise,
// the drums, delay with feedback, stereo reverb and swing; the mixer's tempo is not the stored one.
NSongDescription sustainedSong(int mixerTempo = 117)
{
    NSongDescription song;
    song.tempo = 94;
    song.loopStart = 1;
    song.loopEnd = 2;
    song.drums.hasKit = false;
    const int waves[3][2] = {{5, 6}, {1, 5}, {6, 2}};
    for (int n = 0; n < 3; ++n) {
        for (int step = 0; step < 16; ++step)
            song.synths[n].setStep(0, step, {(step * 5 + 3 * n) % 12, n - 1, true, step % 4 == n, true, false});
        song.synths[n].setLength(0, 16);
        song.machines[n].songSet = song.machines[n].patternSet = {
            3, 90, 200, 120, 1, 150, 120, waves[n][0], 0, 9, 0, waves[n][1], 7, 0, 0, 140, 0, 0, 0, n > 0 ? 1 : 0};
    }
    for (int step = 0; step < 16; step += 2)
        song.drums.setHit(0, step, step % 4 == 0 ? 11 : 3, 3);
    std::vector<std::int32_t> drums(24, 200);
    drums.insert(drums.end(), {0, 0, 0});
    song.machines[3].songSet = song.machines[3].patternSet = drums;
    std::vector<std::int32_t> mixer(NMixer::ParameterCount, 0);
    for (int m = 0; m < 4; ++m) {
        mixer[8 * m + NMixer::Volume] = 150;
        mixer[8 * m + NMixer::Pan] = 60 + 40 * m;
        mixer[8 * m + NMixer::DelaySend] = 70;
        mixer[8 * m + NMixer::ReverbSend] = 90;
    }
    mixer[NMixer::DelayPan] = 128;
    mixer[NMixer::DelayFeedback] = 150;
    mixer[NMixer::DelaySteps] = 3;
    mixer[NMixer::ReverbLevel] = 120;
    mixer[NMixer::Tempo] = mixerTempo;
    mixer[NMixer::Swing] = 60;
    song.machines[4].songSet = song.machines[4].patternSet = mixer;
    for (NSongMachine& machine : song.machines)
        machine.arrangement.assign(4, 0);
    return song;
}

Frames dataOf(const std::vector<unsigned char>& wav)
{
    Frames frames((wav.size() - 44) / 2);
    for (size_t k = 0; k < frames.size(); ++k)
        frames[k] = static_cast<std::int16_t>(wav[44 + 2 * k] | wav[45 + 2 * k] << 8);
    return frames;
}

// The largest jump between neighbouring frames of one channel.
int largestStep(const Frames& f)
{
    int largest = 0;
    for (size_t k = 2; k < f.size(); ++k)
        largest = std::max(largest, std::abs(f[k] - f[k - 2]));
    return largest;
}

class LoopExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        services.programPath.path = RUZI_BIN_DIR "/ruzi-render";
        ASSERT_TRUE(session.startUp());
    }

    void load(const NSongDescription& song)
    {
        ASSERT_TRUE(NSongBuilder::write(song, dir.file("song.vdl")));
        ASSERT_EQ(session.loadSong(dir.file("song.vdl")), NSequencer::LoadResult::Loaded);
    }

    Frames exportFrames(const NMixer::ExportOptions& options)
    {
        EXPECT_EQ(session.exportLoop(dir.file("out.wav"), options), NMixer::ExportResult::Written);
        return dataOf(dir.readBytes("out.wav"));
    }

    // The loop played round from its start, block by block, as a reference; passes[k] is where
    // pass k begins, in frames.
    Frames playRound(int passes, std::vector<size_t>& starts)
    {
        NVandrelCore& core = NVandrelCore::instance();
        core.resetRunState();
        seq.setMode(1);
        seq.stop();
        seq.setPosition(seq.loopStart * seq.barTicks());
        seq.loopOn = true;
        seq.setTempo(core.mixer.parameter(NAutomatable::SongSet, NMixer::Tempo));
        seq.start();
        const long long loopSteps = (seq.loopEnd - seq.loopStart) * static_cast<long long>(seq.stepsPerBar);
        Frames out;
        while (true) {
            if (seq.nextTickBeginsStep() && seq.stepsPlayed % loopSteps == 0) {
                if (static_cast<int>(starts.size()) == passes)
                    break;
                starts.push_back(out.size() / 2);
            }
            out.resize(out.size() + 2 * Block);
            core.mixer.render(out.data() + out.size() - 2 * Block, Block);
        }
        starts.push_back(out.size() / 2);
        return out;
    }

    // Frames [from, to) of a stereo stream.
    static Frames part(const Frames& f, size_t from, size_t to)
    {
        return Frames(f.begin() + static_cast<std::ptrdiff_t>(2 * from), f.begin() + static_cast<std::ptrdiff_t>(2 * to));
    }

    FakeServices services;
    TempDir dir;
    NProgramSession session;
    NSequencer& seq = NSequencer::instance();
};

TEST_F(LoopExportTest, SeamlessIsTheSecondPassWithTheThirdPassFadedIntoItsStart)
{
    load(sustainedSong());
    NMixer::ExportOptions options;
    options.seamless = true;
    const Frames file = exportFrames(options);

    std::vector<size_t> starts;
    const Frames round = playRound(3, starts); // pass 3 runs on long enough for the fade
    const Frames second = part(round, starts[1], starts[2]);
    const Frames third = part(round, starts[2], starts[2] + Seam);
    ASSERT_EQ(file.size(), second.size());
    EXPECT_TRUE(std::equal(file.begin() + 2 * Seam, file.end(), second.begin() + 2 * Seam));
    EXPECT_EQ(file[0], third[0]);
    EXPECT_EQ(file[1], third[1]);
    for (int k = 0; k < 2 * Seam; ++k) {
        ASSERT_GE(file[k], std::min(second[k], third[k])) << k;
        ASSERT_LE(file[k], std::max(second[k], third[k])) << k;
    }
    ASSERT_NE(second[0], third[0]) << "the song should not repeat by itself, or the fade proves nothing";
}

// The true continuation of the file's last frame is its first: no click where a sampler loops it.
// Whatever tempo the mixer plays and the song stored, it lasts as long as the plain export.
TEST_F(LoopExportTest, SeamlessLoopsWithoutAJumpLargerThanAnyInsideIt)
{
    for (int tempo : {117, 60, 151}) {
        load(sustainedSong(tempo));
        NMixer::ExportOptions options;
        options.seamless = true;
        const Frames file = exportFrames(options);
        const Frames across{file[file.size() - 2], file[file.size() - 1], file[0], file[1]};
        EXPECT_LE(largestStep(across), largestStep(file)) << tempo;
        EXPECT_EQ(file.size(), exportFrames({}).size()) << tempo;
    }
}

// The tail rings on from the second pass's end, as if the song had stopped there.
TEST_F(LoopExportTest, SeamlessTailFollowsTheSecondPass)
{
    load(sustainedSong());
    NMixer::ExportOptions options;
    options.seamless = true;
    const Frames loop = exportFrames(options);
    options.tailFrames = 20 * Block;
    const Frames withTail = exportFrames(options);
    ASSERT_EQ(withTail.size(), loop.size() + 2 * options.tailFrames);
    EXPECT_TRUE(std::equal(loop.begin(), loop.end(), withTail.begin()));

    std::vector<size_t> starts;
    playRound(2, starts);
    seq.stop();
    Frames tail(2 * options.tailFrames);
    NVandrelCore::instance().mixer.render(tail.data(), options.tailFrames);
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), withTail.begin() + static_cast<std::ptrdiff_t>(loop.size())));
}

// Stems are rendered apart, each through its own effects and master rounding: they add up to the
// mix up to that rounding, which the reverb and the delay's feedback recirculate. Measured: 3 dry
// (5 with the seamless fade), 7 with the delay, 15 to 18 with the reverb as well.
TEST_F(LoopExportTest, StemsAddUpToTheMix)
{
    struct Case {
        int feedback;
        bool seamless;
        int tailFrames;
    };
    for (Case c : {Case{150, false, 0}, {150, true, 22050}, {250, false, 44100}}) {
        NSongDescription song = sustainedSong();
        // Quieter, so that the seamless start does not fade between frames the mix saturated.
        for (int m = 0; m < NMixer::MaxMachines; ++m)
            song.machines[4].songSet[NMixer::ParametersPerMachine * m + NMixer::Volume] = 90;
        song.machines[4].songSet[NMixer::DelayFeedback] = c.feedback;
        load(song);
        NMixer::ExportOptions options;
        options.seamless = c.seamless;
        options.tailFrames = c.tailFrames;
        ASSERT_EQ(session.exportWithStems(dir.file("out.wav"), options), NMixer::ExportResult::Written);
        const Frames mix = dataOf(dir.readBytes("out.wav"));
        std::vector<Frames> stems;
        for (int m = 0; m < NMixer::MaxMachines; ++m) {
            stems.push_back(dataOf(dir.readBytes(NProgramSession::stemPath(String(u"out.wav"), m).toUtf8())));
            ASSERT_EQ(stems[m].size(), mix.size()) << m;
            EXPECT_GT(largestStep(stems[m]), 100) << m << " is silent";
        }
        int largest = 0;
        for (size_t k = 0; k < mix.size(); ++k) {
            int sum = 0;
            bool saturated = mix[k] == 32767 || mix[k] == -32768;
            for (const Frames& stem : stems) {
                sum += stem[k];
                saturated = saturated || stem[k] == 32767 || stem[k] == -32768;
            }
            if (!saturated)
                largest = std::max(largest, std::abs(sum - mix[k]));
        }
        EXPECT_LE(largest, 20) << c.feedback << " " << c.seamless;
    }
}

// A machine that does not play still gets its file, silent, so that the stems line up in a DAW; one
// that stops playing falls silent once its delay has died out (but for the delay's last -1), whatever the others play.
TEST_F(LoopExportTest, AStemIsSilentWhereItsMachineDoesNotPlay)
{
    NSongDescription song = sustainedSong();
    song.loopEnd = 5;
    song.machines[0].arrangement = {0, 0, -1, -1, -1, -1};
    song.machines[2].arrangement.assign(6, -1);
    song.machines[4].songSet[NMixer::DelayFeedback] = 60;
    // The reverb's tail fades to a few units that linger for many seconds. The delay's ends on -1:
    // its feedback rounds down, which keeps -1 circulating for ever.
    song.machines[4].songSet[NMixer::ReverbSend] = 0;
    load(song);
    ASSERT_EQ(session.exportWithStems(dir.file("out.wav"), {}), NMixer::ExportResult::Written);
    const Frames mix = dataOf(dir.readBytes("out.wav"));
    const Frames first = dataOf(dir.readBytes("out.SYN1.wav"));
    const Frames third = dataOf(dir.readBytes("out.SYN3.wav"));
    ASSERT_EQ(third.size(), mix.size());
    EXPECT_TRUE(std::all_of(third.begin(), third.end(), [](std::int16_t v) { return v == 0; }));
    const size_t lastBar = first.size() * 3 / 4;
    EXPECT_GT(largestStep(part(first, 0, lastBar / 6)), 100);
    EXPECT_TRUE(std::all_of(first.begin() + static_cast<std::ptrdiff_t>(lastBar), first.end(),
                            [](std::int16_t v) { return std::abs(v) <= 1; }));
}

} // namespace
