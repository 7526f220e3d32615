// An export starts from the state a fresh start and Load Song leave, whatever was played live
// before it: the file is the one ruzi-render writes for the same song, byte for byte.
#include "engine/NEngineGuard.h"
#include "engine/NProgramSession.h"
#include "engine/NSongCommands.h"
#include "engine/NVandrelCore.h"
#include "tests/support/CommandRun.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int SegmentFrames = 992; // the playback thread's segment

// Every machine sounding, pulse and noise, slides and retriggers, the drums' filter and hat choke,
// distortion, delay with feedback, stereo reverb, swing and automation of a cutoff and the tempo.
NSongDescription ringingSong()
{
    NSongDescription song;
    song.tempo = 128;
    song.loopStart = 1;
    song.loopEnd = 3;
    song.drums.hasKit = false;
    const int waves[3][2] = {{5, 6}, {6, 1}, {5, 5}};
    for (int n = 0; n < 3; ++n) {
        for (int step = 0; step < 16; ++step)
            song.synths[n].setStep(0, step, {(step * 5 + n) % 12, step % 2 - n % 2, (step + 6 * n) % 7 != 6,
                                             step % 3 == n, step % 4 == 2, step % 5 == 1});
        song.synths[n].setLength(0, 13 + n);
        song.machines[n].songSet = song.machines[n].patternSet = {
            3, 90, 200, 120, 1, 150, 120, waves[n][0], 0, 9, 0, waves[n][1], 7, 0, 0, 140, 0, 0, 0, n > 0 ? 1 : 0};
    }
    song.machines[1].automation = {{256 + 48, 1, 180}, {2 * 256 + 16, 1, 40}};
    for (int step = 0; step < 16; ++step) {
        song.drums.setHit(0, step, 11, step % 4 == 0 ? 2 : 0); // bass drum
        song.drums.setHit(0, step, 2, step % 4 == 1 ? 6 : 0);  // open hat, again on the half step
        song.drums.setHit(0, step, 3, step % 4 == 2 ? 1 : 0);  // closed hat, choking it
    }
    std::vector<std::int32_t> drums(24, 210);
    drums.insert(drums.end(), {1, 170, 120}); // through the kit's lowpass
    song.machines[3].songSet = song.machines[3].patternSet = drums;
    std::vector<std::int32_t> mixer(41, 0);
    for (int m = 0; m < 4; ++m)
        for (auto [offset, value] : {std::pair{0, 180}, {1, 60 + 40 * m}, {2, 90}, {6, 120}})
            mixer[8 * m + offset] = value;
    for (auto [index, value] : {std::pair{11, 100}, {12, 180}, {13, 1}, {32, 100}, {33, 200}, {34, 3}, {35, 140},
                                {39, 128}, {40, 90}})
        mixer[index] = value;
    song.machines[4].songSet = song.machines[4].patternSet = mixer;
    song.machines[4].automation = {{2 * 256 + 64, 39, 122}};
    for (NSongMachine& machine : song.machines)
        machine.arrangement.assign(5, 0);
    return song;
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

class ExportResetTest : public ::testing::Test {
protected:
    void SetUp() override { services.programPath.path = RUZI_BIN_DIR "/ruzi-render"; }

    void startWith(const NSongDescription& song)
    {
        ASSERT_TRUE(NSongBuilder::write(song, dir.file("song.vdl")));
        ASSERT_TRUE(session.startUp());
        ASSERT_EQ(session.loadSong(dir.file("song.vdl")), NSequencer::LoadResult::Loaded);
    }

    std::vector<unsigned char> exportTo(const std::string& name, const NMixer::ExportOptions& options = {})
    {
        EXPECT_EQ(session.exportLoop(dir.file(name), options), NMixer::ExportResult::Written);
        return dir.readBytes(name);
    }

    std::vector<unsigned char> renderedByRuziRender(const std::string& options)
    {
        CommandRun run = CommandRun::run(std::string(RUZI_BIN_DIR) + "/ruzi-render --quiet -o cli.wav " + options +
                                             " song.vdl",
                                         dir.path(""));
        EXPECT_EQ(run.status, 0) << run.err;
        return dir.readBytes("cli.wav");
    }

    FakeServices services;
    TempDir dir;
    NProgramSession session;
};

TEST_F(ExportResetTest, LivePlaybackBeforeAnExportLeavesNoTrace)
{
    startWith(ringingSong());
    const std::vector<unsigned char> first = exportTo("a.wav");
    ASSERT_GT(first.size(), 44u + 4u * 44100u);

    playLive(45); // stopped within the first bar: same tempo, so the same delay line as the export's
    const std::vector<unsigned char> afterShortPlayback = exportTo("s.wav");

    NSongCommands::locate(2 * 256 + 100); // another bar, past the automation and round the loop
    playLive(170);
    const std::vector<unsigned char> afterAnotherPosition = exportTo("c.wav");

    NSongCommands::setMode(0);
    playLive(90);
    NSongCommands::setMode(1);
    const std::vector<unsigned char> afterPatternMode = exportTo("d.wav");

    EXPECT_TRUE(first == afterShortPlayback);
    EXPECT_TRUE(first == afterAnotherPosition);
    EXPECT_TRUE(first == afterPatternMode);
    EXPECT_TRUE(first == renderedByRuziRender(""));
}

// Without tempo automation nothing chases the clock back: pattern mode's own tempo, which live
// playback leaves on the clock, must not size the export's steps.
TEST_F(ExportResetTest, SeamlessExportWithTailAfterPatternModePlaybackMatchesRuziRender)
{
    NSongDescription song = ringingSong();
    song.machines[4].automation.clear();
    song.machines[4].patternSet[39] = 100;
    startWith(song);
    NMixer::ExportOptions options;
    options.seamless = true;
    options.tailFrames = 22050;
    NSongCommands::setMode(0);
    playLive(250);
    const std::vector<unsigned char> afterPlayback = exportTo("b.wav", options);
    playLive(40); // in song mode now, stopped in the middle of a step, the delay still ringing
    const std::vector<unsigned char> again = exportTo("c.wav", options);

    EXPECT_TRUE(afterPlayback == again);
    EXPECT_TRUE(afterPlayback == renderedByRuziRender("--seamless --tail 0.5"));
}

} // namespace
