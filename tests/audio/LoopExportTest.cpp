// Exports for samplers and DAWs: seamless loops, stems, and the state they start from: the one a
// fresh start and Load Song leave, whatever was played live before, so the file is ruzi-render's.
#include "engine/NEngineGuard.h"
#include "engine/NProgramSession.h"
#include "engine/NSongCommands.h"
#include "engine/NVandrelCore.h"
#include "tests/support/CommandRun.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int Block = ntime::BlockFrames;
constexpr int Seam = NMixer::SeamFrames;
constexpr int SegmentFrames = 992; // the playback thread's segment

using Frames = std::vector<std::int16_t>; // interleaved stereo

// Three synthesizers (pulse and noise among their waves), the drums without a kit, delay with
// feedback, stereo reverb and swing. Sustained (a loop of one bar): every step gated and slid into
// the next, so that notes are held across the loop's end, and the mixer's tempo not the stored one.
// Ringing (two bars): slides and retriggers, the drums' filter and hat choke, distortion, and
// automation of a cutoff and the tempo.
NSongDescription loopSong(bool ringing)
{
    NSongDescription song;
    song.tempo = ringing ? 128 : 94;
    song.loopStart = 1;
    song.loopEnd = ringing ? 3 : 2;
    song.drums.hasKit = false;
    const int waves[2][3][2] = {{{5, 6}, {1, 5}, {6, 2}}, {{5, 6}, {6, 1}, {5, 5}}};
    for (int n = 0; n < 3; ++n) {
        for (int step = 0; step < 16; ++step)
            song.synths[n].setStep(0, step, ringing ? NSynthBank::Step{(step * 5 + n) % 12, step % 2 - n % 2,
                                                                        (step + 6 * n) % 7 != 6, step % 3 == n,
                                                                        step % 4 == 2, step % 5 == 1}
                                                    : NSynthBank::Step{(step * 5 + 3 * n) % 12, n - 1, true,
                                                                        step % 4 == n, true, false});
        song.synths[n].setLength(0, ringing ? 13 + n : 16);
        const auto [wave1, wave2] = waves[ringing][n];
        song.machines[n].songSet = song.machines[n].patternSet = {
            3, 90, 200, 120, 1, 150, 120, wave1, 0, 9, 0, wave2, 7, 0, 0, 140, 0, 0, 0, n > 0 ? 1 : 0};
    }
    for (int step = 0; step < 16; ++step) {
        if (ringing) {
            song.drums.setHit(0, step, 11, step % 4 == 0 ? 2 : 0); // bass drum
            song.drums.setHit(0, step, 2, step % 4 == 1 ? 6 : 0);  // open hat, again on the half step
            song.drums.setHit(0, step, 3, step % 4 == 2 ? 1 : 0);  // closed hat, choking it
        } else if (step % 2 == 0) {
            song.drums.setHit(0, step, step % 4 == 0 ? 11 : 3, 3);
        }
    }
    std::vector<std::int32_t> drums(24, ringing ? 210 : 200);
    drums.insert(drums.end(), {ringing, ringing ? 170 : 0, ringing ? 120 : 0}); // ringing: the kit's lowpass
    song.machines[3].songSet = song.machines[3].patternSet = drums;
    std::vector<std::int32_t> mixer(NMixer::ParameterCount, 0);
    for (int m = 0; m < 4; ++m)
        for (auto [offset, value] : {std::pair{NMixer::Volume, ringing ? 180 : 150}, {NMixer::Pan, 60 + 40 * m},
                                     {NMixer::DelaySend, ringing ? 90 : 70}, {NMixer::ReverbSend, ringing ? 120 : 90}})
            mixer[NMixer::ParametersPerMachine * m + offset] = value;
    for (auto [index, value] : {std::pair{NMixer::DelayPan, ringing ? 100 : 128},
                                {NMixer::DelayFeedback, ringing ? 200 : 150}, {NMixer::DelaySteps, 3},
                                {NMixer::ReverbLevel, ringing ? 140 : 120}, {NMixer::Tempo, ringing ? 128 : 117},
                                {NMixer::Swing, ringing ? 90 : 60}})
        mixer[index] = value;
    if (ringing) { // the second synthesizer distorted
        for (auto [offset, value] : {std::pair{NMixer::Drive, 100}, {NMixer::Drive + 1, 180}, {NMixer::DistortionOn, 1}})
            mixer[NMixer::ParametersPerMachine + offset] = value;
        song.machines[1].automation = {{256 + 48, 1, 180}, {2 * 256 + 16, 1, 40}};
        song.machines[4].automation = {{2 * 256 + 64, NMixer::Tempo, 122}};
    }
    song.machines[4].songSet = song.machines[4].patternSet = mixer;
    for (NSongMachine& machine : song.machines)
        machine.arrangement.assign(ringing ? 5 : 4, 0);
    return song;
}

Frames dataOf(const std::vector<unsigned char>& wav)
{
    Frames frames((wav.size() - 44) / 2);
    for (size_t k = 0; k < frames.size(); ++k)
        frames[k] = static_cast<std::int16_t>(wav[44 + 2 * k] | wav[45 + 2 * k] << 8);
    return frames;
}

// As the playback thread feeds the sound card.
void playLive(int segments)
{
    NSongCommands::start();
    std::vector<std::int16_t> segment(2 * SegmentFrames);
    for (int i = 0; i < segments; ++i) {
        NEngineGuard guard;
        NVandrelCore::instance().mixer.render(segment.data(), SegmentFrames);
    }
    NSongCommands::stop();
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

    std::vector<unsigned char> exportTo(const std::string& name, const NMixer::ExportOptions& options = {})
    {
        EXPECT_EQ(session.exportLoop(dir.file(name), options), NMixer::ExportResult::Written);
        return dir.readBytes(name);
    }

    std::vector<unsigned char> renderedByRuziRender(const std::string& options)
    {
        const std::string command = RUZI_BIN_DIR "/ruzi-render --quiet -o cli.wav " + options + " song.vdl";
        CommandRun run = CommandRun::run(command, dir.path(""));
        EXPECT_EQ(run.status, 0) << run.err;
        return dir.readBytes("cli.wav");
    }

    // The loop played round from its start, block by block, as a reference; starts[k] is where pass k
    // begins, in frames, and starts[passes] where the round ends.
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
        for (Frames out;;) {
            if (seq.nextTickBeginsStep() && seq.stepsPlayed % loopSteps == 0) {
                starts.push_back(out.size() / 2);
                if (static_cast<int>(starts.size()) > passes)
                    return out;
            }
            out.resize(out.size() + 2 * Block);
            core.mixer.render(out.data() + out.size() - 2 * Block, Block);
        }
    }

    FakeServices services;
    TempDir dir;
    NProgramSession session;
    NSequencer& seq = NSequencer::instance();
};

// How the third pass fades into the start is pinned by the golden renders; here which pass is
// written, at the mixer's tempo not the stored one, and that a tail rings on from its end as if the
// song had stopped there.
TEST_F(LoopExportTest, SeamlessIsTheSecondPassAndItsTailRingsOnFromItsEnd)
{
    load(loopSong(false));
    NMixer::ExportOptions options;
    options.seamless = true;
    const Frames file = dataOf(exportTo("out.wav", options));
    options.tailFrames = 20 * Block;
    const Frames withTail = dataOf(exportTo("tail.wav", options));

    std::vector<size_t> starts;
    const Frames round = playRound(2, starts);
    ASSERT_EQ(file.size(), 2 * (starts[2] - starts[1]));
    EXPECT_TRUE(std::equal(file.begin() + 2 * Seam, file.end(), round.begin() + 2 * (starts[1] + Seam)));
    ASSERT_EQ(withTail.size(), file.size() + 2 * options.tailFrames);
    EXPECT_TRUE(std::equal(file.begin(), file.end(), withTail.begin()));
    seq.stop();
    Frames tail(2 * options.tailFrames);
    NVandrelCore::instance().mixer.render(tail.data(), options.tailFrames);
    EXPECT_TRUE(std::equal(tail.begin(), tail.end(), withTail.end() - static_cast<std::ptrdiff_t>(tail.size())));
}

// Stems are rendered apart, each through its own effects and master rounding: they add up to the
// mix up to that rounding, which the reverb and the delay's feedback recirculate. Measured: 3 dry
// (5 with the seamless fade), 7 with the delay, 15 to 18 with the reverb as well.
TEST_F(LoopExportTest, StemsAddUpToTheMix)
{
    for (auto [feedback, seamless, tailFrames] : {std::tuple{150, false, 0}, {150, true, 22050}, {250, false, 44100}}) {
        NSongDescription song = loopSong(false);
        // Quieter, so that the seamless start does not fade between frames the mix saturated.
        for (int m = 0; m < NMixer::MaxMachines; ++m)
            song.machines[4].songSet[NMixer::ParametersPerMachine * m + NMixer::Volume] = 90;
        song.machines[4].songSet[NMixer::DelayFeedback] = feedback;
        load(song);
        NMixer::ExportOptions options;
        options.seamless = seamless;
        options.tailFrames = tailFrames;
        ASSERT_EQ(session.exportWithStems(dir.file("out.wav"), options), NMixer::ExportResult::Written);
        const Frames mix = dataOf(dir.readBytes("out.wav"));
        std::vector<Frames> stems;
        for (int m = 0; m < NMixer::MaxMachines; ++m) {
            stems.push_back(dataOf(dir.readBytes(NProgramSession::stemPath(String(u"out.wav"), m).toUtf8())));
            ASSERT_EQ(stems[m].size(), mix.size()) << m;
            EXPECT_TRUE(std::any_of(stems[m].begin(), stems[m].end(), [](int v) { return std::abs(v) > 100; }))
                << m << " is silent";
        }
        int largest = 0;
        for (size_t k = 0; k < mix.size(); ++k) {
            const auto clipped = [k](const Frames& f) { return f[k] == 32767 || f[k] == -32768; };
            if (!clipped(mix) && std::none_of(stems.begin(), stems.end(), clipped))
                largest = std::max(largest, std::abs(stems[0][k] + stems[1][k] + stems[2][k] + stems[3][k] - mix[k]));
        }
        EXPECT_LE(largest, 20) << feedback << " " << seamless;
    }
}

TEST_F(LoopExportTest, LivePlaybackBeforeAnExportLeavesNoTraceAndRuziRenderWritesTheSameFile)
{
    load(loopSong(true));
    const std::vector<unsigned char> first = exportTo("a.wav");
    ASSERT_GT(first.size(), 44u + 4u * 44100u);
    playLive(45); // stopped within the first bar: same tempo, so the same delay line as the export's
    EXPECT_TRUE(exportTo("s.wav") == first);
    NSongCommands::locate(2 * 256 + 100); // another bar, past the automation and round the loop
    playLive(170);
    EXPECT_TRUE(exportTo("c.wav") == first);
    EXPECT_TRUE(renderedByRuziRender("") == first);

    // After pattern mode. Without tempo automation nothing chases the clock back: pattern mode's
    // own tempo, which live playback leaves on the clock, must not size the export's steps.
    NSongDescription song = loopSong(true);
    song.machines[4].automation.clear();
    song.machines[4].patternSet[39] = 100;
    load(song);
    NMixer::ExportOptions options;
    options.seamless = true;
    options.tailFrames = 22050;
    NSongCommands::setMode(0);
    playLive(250);
    const std::vector<unsigned char> afterPlayback = exportTo("b.wav", options);
    playLive(40); // in song mode now, stopped in the middle of a step, the delay still ringing
    EXPECT_TRUE(exportTo("c.wav", options) == afterPlayback);
    EXPECT_TRUE(renderedByRuziRender("--seamless --tail 0.5") == afterPlayback);
}

} // namespace
