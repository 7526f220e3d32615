#include "app/NWavExportScreen.h"

#include "app/NAudioControl.h"
#include "app/NSequencerEdit.h"
#include "engine/NEngineGuard.h"
#include "engine/NProgramSession.h"
#include "engine/NSequencer.h"
#include "engine/NSongCommands.h"
#include "engine/NVandrelCore.h"
#include "gui/LGUICheckBox.h"
#include "gui/LGUILabel.h"
#include "tests/support/CommandRun.h"
#include "tests/support/FakeServices.h"
#include "tests/support/GuiTestScreen.h"
#include "tests/support/RecordingMachine.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <string>
#include <vector>

namespace {

constexpr int Bar = 256; // ticks per bar at 16 steps

// Records the screen's audio pauses, and how many file dialogs had been shown at each.
class RecordingAudio : public NAudioControl {
public:
    explicit RecordingAudio(const FakeFileChooser& chooser) : chooser_(chooser) {}
    void stopAudio() override { log.push_back("stop after " + std::to_string(chooser_.shown.size())); }
    void startAudio() override { log.push_back("start after " + std::to_string(chooser_.shown.size())); }
    std::vector<std::string> log;

private:
    const FakeFileChooser& chooser_;
};

// A song that loops bars 1 to 3 with looping on.
NSongDescription loopingSong()
{
    NSongDescription song;
    song.tempo = 133;
    song.loopStart = 1;
    song.loopEnd = 3;
    song.loopOn = 1;
    for (int step = 0; step < 16; ++step) {
        song.synths[0].setStep(0, step, {(step * 7) % 12, 0, true, step % 3 == 0, step % 4 == 2, false});
        song.drums.setHit(0, step, 11, step % 4 == 0 ? 2 : 0);
    }
    song.drums.hasKit = false;
    for (NSongMachine& machine : song.machines)
        machine.arrangement.assign(4, 0);
    return song;
}

// One synthesizer through a long delay with feedback and the reverb, no drums: what rings after it
// stops is the effect lines and the voice.
NSongDescription echoingSong()
{
    NSongDescription song = loopingSong();
    for (int step = 0; step < 16; ++step)
        song.drums.setHit(0, step, 11, 0);
    std::vector<std::int32_t> mixer(41, 0);
    for (auto [index, value] : {std::pair{0, 200}, {1, 128}, {2, 220}, {6, 160}, {11, 100}, {12, 180}, {13, 1},
                                {32, 128}, {33, 220}, {34, 3}, {35, 140}, {39, 128}, {40, 90}})
        mixer[index] = value;
    song.machines[4].songSet = song.machines[4].patternSet = mixer;
    song.machines[0].songSet = song.machines[0].patternSet = {3, 90, 200, 120, 1, 150, 120, 5, 0, 9,
                                                               0, 6,  7,   0,   0, 140, 0,   0, 0, 0};
    return song;
}

// The real engine, skin and fonts of the build, and the screen as the application builds it.
class NWavExportScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        services.programPath.path = RUZI_BIN_DIR "/ruzi-zevivuvo";
        resetEngineForTest();
        ASSERT_TRUE(NProgramSession().startUp()) << "no bundled song in " RUZI_BIN_DIR;
        ASSERT_TRUE(loadProgramSkin()) << "no skin in " RUZI_BIN_DIR "/skin";
        screen = new NWavExportScreen();
        screen->setAudioControl(&audio);
        screen->create();
        screen->refresh();
        screen->draw(0, 0);
    }

    void TearDown() override
    {
        delete screen;
        releaseScreenAndFonts();
        resetEngineForTest();
    }

    void click(int x, int y)
    {
        screen->mouseDown(x, y);
        screen->mouseUp(x, y);
    }
    void clickLoad() { click(115, 57); }
    void clickExport() { click(65, 104); }
    void clickStop() { click(28, 252 + 60); }

    String writeSong(const std::string& name, const NSongDescription& song = loopingSong())
    {
        EXPECT_TRUE(NSongBuilder::write(song, dir.file(name)));
        return dir.file(name);
    }
    void loadThroughDialog(const String& path)
    {
        services.fileChooser.answers.push_back(path);
        clickLoad();
    }
    std::string title() const { return screen->titleLabel->text.toUtf8(); }

    // One segment as the playback thread renders it for the sound card; whether it was silent.
    static bool renderSegment()
    {
        std::vector<std::int16_t> segment(2 * 992);
        NEngineGuard guard;
        NVandrelCore::instance().mixer.render(segment.data(), 992);
        return std::all_of(segment.begin(), segment.end(), [](std::int16_t sample) { return sample == 0; });
    }
    static void playLive(int segments)
    {
        NSongCommands::start();
        for (int i = 0; i < segments; ++i)
            renderSegment();
    }

    // A song position inside a bar, as playback leaves it.
    void placeAt(int ticks)
    {
        NEngineGuard guard;
        seq.setPosition(ticks);
    }

    FakeServices services;
    TempDir dir;
    RecordingAudio audio{services.fileChooser};
    NSequencer& seq = NSequencer::instance();
    NWavExportScreen* screen = nullptr;
};

} // namespace

// The whole screen at rest with the bundled song: panel, song frame, texts, buttons, the loop box
// checked as the song loops, the tab bar and the sequencer view.
TEST_F(NWavExportScreenTest, ScreenAtRestDrawsAsStored)
{
    ASSERT_TRUE(seq.loopOn);
    EXPECT_EQ(screenChecksum(), 0x3313A2DFu);
}

TEST_F(NWavExportScreenTest, LoadSongShowsItsNameAndLoopWithAudioPausedAroundTheDialog)
{
    loadThroughDialog(writeSong("groove.vdl"));
    EXPECT_EQ(title(), "groove.vdl");
    EXPECT_EQ(seq.fileName, dir.file("groove.vdl"));
    EXPECT_EQ(seq.tempo, 133);
    EXPECT_EQ(audio.log, (std::vector<std::string>{"stop after 0", "start after 1"}));
    EXPECT_EQ(services.fileChooser.shown.at(0).filters.at(0).pattern, String(u"*.VDL"));
    clickLoad(); // cancelled: the song stays, and audio still comes back
    EXPECT_EQ(seq.fileName, dir.file("groove.vdl"));
    EXPECT_EQ(audio.log.back(), "start after 2");
    EXPECT_TRUE(services.messageBox.shown.empty());
}

// A cancelled Load Song leaves no effect tail or voice of what played ringing on.
TEST_F(NWavExportScreenTest, CancellingLoadSongStillSilencesTheTailsOfWhatPlayed)
{
    loadThroughDialog(writeSong("echo.vdl", echoingSong()));
    playLive(60);
    NSongCommands::stop();
    ASSERT_FALSE(renderSegment()) << "nothing rings after playing: the test proves nothing";
    clickLoad();
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(renderSegment()) << "segment " << i;
}

TEST_F(NWavExportScreenTest, ASongThatCannotBeReadKeepsTheTitleAndSaysWhy)
{
    loadThroughDialog(writeSong("groove.vdl"));
    loadThroughDialog(dir.file("missing.vdl"));
    dir.writeBytes("notes.vdl", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'});
    loadThroughDialog(dir.file("notes.vdl"));
    EXPECT_EQ(title(), "groove.vdl");
    EXPECT_EQ(seq.fileName, dir.file("groove.vdl"));
    EXPECT_TRUE(seq.loaded);
    ASSERT_EQ(services.messageBox.shown.size(), 2u);
    EXPECT_EQ(services.messageBox.shown[0].caption, "Load Song");
    EXPECT_NE(services.messageBox.shown[0].text.find("missing.vdl"), std::string::npos);
    EXPECT_EQ(services.messageBox.shown[1].caption, "Unrecognized file");
    EXPECT_EQ(audio.log.back(), "start after 3");
}

// The rounding and the one-bar minimum are the sequencer's; here, that Set Start, Set End and the
// loop box reach it with the song position.
TEST_F(NWavExportScreenTest, LoopButtonsAndTheLoopBoxDriveTheSequencer)
{
    NSongCommands::setLoopBars(0, 4);
    placeAt(128);
    click(75, 223); // Set Start
    placeAt(5 * Bar);
    click(140, 223); // Set End
    EXPECT_EQ(std::pair(seq.loopStart, seq.loopEnd), std::pair(1, 5));
    ASSERT_TRUE(seq.loopOn);
    click(210, 252 + 60);
    EXPECT_FALSE(seq.loopOn || screen->loopCheckBox->checked);
}

// Stop stops, then moves to the song's start, then to the loop's; the view's grid is rendered again.
TEST_F(NWavExportScreenTest, PlayAndStopDriveTheSequencer)
{
    click(8, 252 + 60); // Play
    EXPECT_TRUE(seq.playing);
    playLive(20);
    screen->sequencer->gridDirty = false;
    clickStop();
    EXPECT_FALSE(seq.playing);
    EXPECT_TRUE(screen->sequencer->gridDirty);
    EXPECT_GT(seq.position, 0);
    clickStop();
    EXPECT_EQ(seq.position, 0);
    clickStop();
    EXPECT_EQ(seq.position, seq.loopStart * Bar);
}

TEST_F(NWavExportScreenTest, ExportWritesWhatRuziRenderWritesAfterPlayingAWhile)
{
    loadThroughDialog(writeSong("groove.vdl"));
    playLive(150);
    audio.log.clear();
    services.fileChooser.answers.push_back(dir.file("loop.wav"));
    clickExport();
    EXPECT_EQ(audio.log, (std::vector<std::string>{"stop after 2", "start after 2"}));
    // The export leaves looping off, and the box says so.
    EXPECT_FALSE(seq.loopOn || screen->loopCheckBox->checked);

    CommandRun run = CommandRun::run(std::string(RUZI_BIN_DIR) + "/ruzi-render --quiet -o cli.wav groove.vdl",
                                     dir.path(""));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<unsigned char> exported = dir.readBytes("loop.wav");
    EXPECT_GT(exported.size(), 44u + 4u * 44100u);
    EXPECT_TRUE(exported == dir.readBytes("cli.wav")) << "the export differs from ruzi-render's";

    // The second dialog offers the first name; cancelled, audio is left alone.
    audio.log.clear();
    clickExport();
    EXPECT_EQ(services.fileChooser.shown.at(2).path, dir.file("loop.wav"));
    EXPECT_EQ(services.fileChooser.shown[2].defaultExtension, String(u"WAV"));
    EXPECT_TRUE(audio.log.empty());
}
