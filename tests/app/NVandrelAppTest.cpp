#include "app/NVandrelApp.h"
#include "engine/NEngineGuard.h"
#include "engine/NSequencer.h"
#include "engine/NSongCommands.h"
#include "engine/NVandrelCore.h"
#include "gui/LGUICheckBox.h"
#include "gui/LGUILabel.h"
#include "tests/support/CommandRun.h"
#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"
#include "tests/support/GuiTestScreen.h"
#include "tests/support/RecordingMachine.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int HintTop = 150; // rows around the hint line (centred on 157)
constexpr int HintBottom = 165;
constexpr int EscapeKey = 0x1B;

KESODisplayEvent event(KESODisplayEvent::Type type, int x = 0, int y = 0)
{
    return {.type = type, .x = x, .y = y, .files = {}};
}
KESODisplayEvent key(int code, bool control, bool repeat = false)
{
    return {.type = KESODisplayEvent::KeyDown, .code = code, .repeat = repeat, .control = control, .files = {}};
}

// Rows [from, to) of two frames differ somewhere.
bool rowsDiffer(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b, int from, int to)
{
    return !std::equal(a.begin() + from * 240, a.begin() + to * 240, b.begin() + from * 240);
}

// One synthesizer through a long delay with feedback and the reverb, no drums: what rings after it
// stops is the effect lines and the voice.
NSongDescription echoingSong()
{
    NSongDescription song;
    for (int step = 0; step < 16; ++step)
        song.synths[0].setStep(0, step, {(step * 7) % 12, 0, true, step % 3 == 0, step % 4 == 2, false});
    song.drums.hasKit = false;
    for (NSongMachine& machine : song.machines)
        machine.arrangement.assign(4, 0);
    std::vector<std::int32_t> mixer(41, 0);
    for (auto [index, value] : {std::pair{0, 200}, {1, 128}, {2, 220}, {6, 160}, {11, 100}, {12, 180}, {13, 1},
                                {32, 128}, {33, 220}, {34, 3}, {35, 140}, {39, 128}, {40, 90}})
        mixer[index] = value;
    song.machines[4].songSet = song.machines[4].patternSet = mixer;
    song.machines[0].songSet = song.machines[0].patternSet = {3, 90, 200, 120, 1, 150, 120, 5, 0, 9,
                                                               0, 6,  7,   0,   0, 140, 0,   0, 0, 0};
    return song;
}

// Answers as the fake chooser does, noting at each dialog whether the sound card was playing.
struct AudioWatchingChooser : KESOFileChooser {
    explicit AudioWatchingChooser(FakeServices& services) : services(services) {}
    bool chooseOpen(Request& request) override { return note(services.fileChooser.chooseOpen(request)); }
    bool chooseSave(Request& request) override { return note(services.fileChooser.chooseSave(request)); }
    bool note(bool chosen)
    {
        playingAtDialog.push_back(services.audioDevice.playing);
        return chosen;
    }
    FakeServices& services;
    std::vector<bool> playingAtDialog;
};

// The real application on fake services, its export's clock under the test's control: every reading
// moves it on by `tick`, and `onTick` sees each reading (the export reads it once a step).
class NVandrelAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        services.programPath.path = RUZI_BIN_DIR "/ruzi-zevivuvo";
        KESOServices::instance().fileChooser = &chooser;
        resetEngineForTest();
    }
    void TearDown() override
    {
        app.reset();
        releaseScreenAndFonts();
        resetEngineForTest();
    }
    void start(int startZoom = 1)
    {
        app = std::make_unique<DavEdirorarApp>();
        app->startZoom = startZoom;
        ASSERT_TRUE(app->create(u"VandrelStudio 1.1 Ruzi Zevivuvo"));
        app->exportScreen.clock = [this] {
            now += tick;
            if (onTick)
                onTick();
            return now;
        };
    }
    // One turn of the main loop: one queued event dispatched, the frame shown.
    void turn(std::optional<KESODisplayEvent> queued = std::nullopt)
    {
        if (queued)
            services.display.events.push_back(*queued);
        LScreenBitmap::instance().flush(app->frameBuffer);
        app->displayStep(app->frameBuffer);
    }
    // Ctrl+E with `name` chosen; `atStep10`, if given, runs at the export's tenth step.
    void exportWithCtrlE(const std::string& name, const std::function<void()>& atStep10 = nullptr)
    {
        int steps = 0;
        onTick = [&] {
            if (atStep10 && ++steps == 10)
                atStep10();
        };
        services.fileChooser.answers.push_back(dir.file(name));
        turn(key('E', true));
        onTick = nullptr;
    }
    void click(int x, int y)
    {
        app->exportScreen.mouseDown(x, y);
        app->exportScreen.mouseUp(x, y);
    }
    std::string hint() const { return app->exportScreen.hintLabel->text.toUtf8(); }
    std::string title() const { return app->exportScreen.titleLabel->text.toUtf8(); }
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
    AudioWatchingChooser chooser{services};
    FakeMidiPort midi;
    TempDir dir;
    NSequencer& seq = NSequencer::instance();
    std::unique_ptr<DavEdirorarApp> app;
    Clock::time_point now{};
    Clock::duration tick = 40ms;
    std::function<void()> onTick;
};

} // namespace

TEST_F(NVandrelAppTest, StartUpOpensTheWindowLoadsTheSongAndStartsSoundAndMidiClosingStopsThemOnce)
{
    services.keyState.down.insert(KESOKeyState::Control); // MIDI goes out only with Control held
    start();
    FakeDisplay& display = services.display;
    EXPECT_EQ(display.title, String(u"VandrelStudio 1.1 Ruzi Zevivuvo"));
    // Then the whole screen, panel to sequencer view, the loop box checked as the song loops.
    turn();
    EXPECT_EQ(screenChecksum(), 0x3313A2DFu);
    EXPECT_TRUE(services.audioDevice.playing);
    EXPECT_EQ(display.timers, (std::map<int, int>{{1, 40}}));
    // Program changes only: the channel reset comes before them and the song's notes after.
    std::vector<FakeMidiPort::Message> programs = midi.messages;
    std::erase_if(programs, [](const FakeMidiPort::Message& m) { return (m.status & 0xF0) != 0xC0; });
    EXPECT_EQ(programs, (std::vector<FakeMidiPort::Message>{
                            {0xC0, 80, 0}, {0xC4, 80, 0}, {0xC1, 81, 0}, {0xC5, 83, 0}, {0xC2, 87, 0}, {0xC6, 87, 0}}));
    display.push(KESODisplayEvent::Timer, 0, 0, 1);
    display.push(KESODisplayEvent::CloseRequest);
    EXPECT_EQ(app->run(), 0);
    EXPECT_FALSE(display.isOpen());
    EXPECT_EQ(display.frame[150 * 240 + 2], 0x303030u); // the panel reached the window
    EXPECT_FALSE(services.audioDevice.playing);
    EXPECT_TRUE(display.timers.empty());
    EXPECT_EQ(NVandrelCore::instance().drums, nullptr); // the engine is shut down
    app.reset(); // closing again does nothing
    EXPECT_EQ(services.audioDevice.closes, 1);
}

TEST_F(NVandrelAppTest, ALongExportShowsItsProgressInTheHintLineOnlyAndThenWhatItWrote)
{
    start();
    turn();
    const std::vector<std::uint32_t> atRest = services.display.frame;
    // Clicks and keys that arrive during the export must not fire after it: a click on Exit, Enter
    // (play), and Escape typed before the export, which is not for it.
    services.display.events = {key('E', true), event(KESODisplayEvent::MouseDown, 175, 104),
                               event(KESODisplayEvent::MouseUp, 175, 104), key(0x0D, false), key(EscapeKey, false)};
    std::vector<std::string> shown;
    int presents = services.display.presents;
    onTick = [&] {
        if (std::exchange(presents, services.display.presents) == services.display.presents)
            return;
        shown.push_back(hint());
        const std::vector<std::uint32_t>& frame = services.display.frame;
        EXPECT_FALSE(rowsDiffer(frame, atRest, 0, HintTop) || rowsDiffer(frame, atRest, HintBottom, 320)) << hint();
        EXPECT_TRUE(rowsDiffer(frame, atRest, HintTop, HintBottom));
    };
    services.fileChooser.answers.push_back(dir.file("loop.wav"));
    turn();
    onTick = nullptr;
    ASSERT_FALSE(shown.empty());
    for (const std::string& text : shown)
        EXPECT_TRUE(text.starts_with("Exporting... ") && text.ends_with("% (Esc aborts)")) << text;
    EXPECT_TRUE(services.display.events.empty());
    EXPECT_FALSE(app->quitRequested || NSequencer::instance().playing);
    EXPECT_EQ(hint(), "Exported loop.wav: 7.7 s"); // four bars at 124 bpm
    // Three seconds later the usual hint is back, and the panel is what it was, pixel for pixel.
    tick = 2900ms;
    app->onTimer(VandrelApp::AudioTimer);
    EXPECT_EQ(hint(), "Exported loop.wav: 7.7 s");
    app->onTimer(VandrelApp::AudioTimer);
    EXPECT_EQ(hint(), "Set up a loop and press the Export... button.");
    turn();
    EXPECT_FALSE(rowsDiffer(services.display.frame, atRest, 0, 240));
    click(175, 104); // Exit, whose click the export dropped, ends the program now
    EXPECT_TRUE(app->quitRequested);
}

TEST_F(NVandrelAppTest, ExportWritesWhatRuziRenderWritesOrEndsWithItsOwnMessage)
{
    start();
    playLive(150); // the bundled song, which loops
    services.fileChooser.answers.push_back(dir.file("loop.wav"));
    click(65, 104); // Export...
    EXPECT_TRUE(chooser.playingAtDialog.back() && services.audioDevice.playing); // stopped once a name is chosen
    // The export leaves looping off, and the box says so.
    EXPECT_FALSE(seq.loopOn || app->exportScreen.loopCheckBox->checked);
    ASSERT_EQ(CommandRun::run(RUZI_BIN_DIR "/ruzi-render --quiet -o cli.wav", dir.path("")).status, 0);
    EXPECT_TRUE(dir.readBytes("loop.wav") == dir.readBytes("cli.wav"));
    // The second dialog offers the first name; cancelled, audio is left alone.
    const int closes = services.audioDevice.closes;
    click(65, 104); // Export...
    EXPECT_TRUE(services.fileChooser.shown.at(1).path == dir.file("loop.wav") &&
                services.fileChooser.shown[1].defaultExtension == String(u"WAV"));
    EXPECT_EQ(services.audioDevice.closes, closes);
    // Escape, the close button and a failure each end an export with their own message.
    exportWithCtrlE("escaped.wav", [&] { services.keyState.down.insert(EscapeKey); });
    EXPECT_EQ(hint(), "Export aborted");
    EXPECT_EQ(services.messageBox.shown.at(0).caption, "Aborted");
    services.keyState.down.clear();
    // A tap that is over before the export asks whether Escape is held still counts.
    exportWithCtrlE("tapped.wav", [&] { services.display.events.push_back(key(EscapeKey, false)); });
    EXPECT_EQ(hint(), "Export aborted");
    exportWithCtrlE("no such folder/x.wav");
    EXPECT_EQ(hint(), "Export failed: No such file or directory");
    EXPECT_EQ(services.messageBox.shown.size(), 3u);
    // The close button aborts like Escape, then the program ends as Exit ends it.
    exportWithCtrlE("closed.wav", [&] { services.display.events.push_back(event(KESODisplayEvent::CloseRequest)); });
    EXPECT_EQ(services.messageBox.shown.back().caption, "Aborted");
    EXPECT_TRUE(app->quitRequested);
    // Escape is asked of the real key state again once the export is over.
    EXPECT_EQ(KESOServices::instance().keyState, &services.keyState);
}

TEST_F(NVandrelAppTest, LoadSongFromTheDialogADropOrTheCommandLineShowsTheSongOrSaysWhyNot)
{
    start();
    // Ctrl+O opens the dialog as the button does; not without Control, nor for a held key's repeats.
    for (const KESODisplayEvent& k : {key('O', false), key('E', false), key('O', true, true)})
        turn(k);
    EXPECT_TRUE(services.fileChooser.shown.empty());
    const String echo = dir.file("echo.vdl");
    ASSERT_TRUE(NSongBuilder::write(echoingSong(), echo));
    services.fileChooser.answers.push_back(echo);
    turn(key('O', true));
    EXPECT_EQ(title(), "echo.vdl");
    EXPECT_EQ(services.fileChooser.shown.at(0).filters.at(0).pattern, String(u"*.VDL"));
    // Cancelled, the dialog keeps the song; audio comes back with no effect tail or voice ringing on.
    playLive(60);
    NSongCommands::stop();
    ASSERT_FALSE(renderSegment()) << "nothing rings after playing: the test proves nothing";
    click(115, 57); // Load Song
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(renderSegment()) << "segment " << i;
    EXPECT_EQ(chooser.playingAtDialog, (std::vector<bool>{false, false})); // paused before each dialog
    EXPECT_TRUE(services.audioDevice.playing);
    // A file that is no song, dropped, and a missing one named on the command line are refused.
    std::ofstream(dir.path("notes.txt")) << "not a song";
    KESODisplayEvent drop = event(KESODisplayEvent::FilesDropped);
    drop.files = {dir.file("notes.txt")};
    turn(drop);
    app->openSong(dir.file("missing.vdl")); // as main does with the command line's song
    ASSERT_EQ(services.messageBox.shown.size(), 2u);
    EXPECT_EQ(services.messageBox.shown[0].caption, "Unrecognized file");
    EXPECT_EQ(services.messageBox.shown[1].caption, "Load Song");
    EXPECT_NE(services.messageBox.shown[1].text.find("missing.vdl"), std::string::npos);
    EXPECT_TRUE(seq.loaded && seq.fileName == echo);
    // Of several files dropped, the first.
    std::filesystem::copy_file(RUZI_BIN_DIR "/data/newsong.vdl", dir.path("Dropped.VDL"));
    drop.files = {dir.file("Dropped.VDL"), dir.file("notes.txt")};
    turn(drop);
    EXPECT_EQ(services.messageBox.shown.size(), 2u);
    EXPECT_EQ(title(), "Dropped.VDL");
    EXPECT_EQ(services.audioDevice.closes, 5); // audio stopped around each load
}

// The rounding and the one-bar minimum are the sequencer's, Stop's alternation the song commands';
// here, that the buttons, the loop box and the Control shortcuts reach them with the song position.
TEST_F(NVandrelAppTest, TransportLoopButtonsTheLoopBoxAndShortcutsDriveTheSequencer)
{
    start();
    click(8, 252 + 60); // Play
    EXPECT_TRUE(seq.playing);
    click(28, 252 + 60); // Stop
    EXPECT_FALSE(seq.playing);
    placeAt(128);
    click(75, 223); // Set Start
    placeAt(5 * 256); // bar 5
    click(140, 223); // Set End
    EXPECT_EQ(std::pair(seq.loopStart, seq.loopEnd), std::pair(1, 5));
    click(210, 252 + 60);
    EXPECT_FALSE(seq.loopOn || app->exportScreen.loopCheckBox->checked);
    turn(key(0x0D, true)); // Enter still plays with Control held
    EXPECT_TRUE(seq.playing);
    turn(key('Q', true)); // and Ctrl+Q ends the program as Exit does
    EXPECT_TRUE(app->quitRequested);
}

TEST_F(NVandrelAppTest, TheWindowOpensAtTheLargestZoomThatFitsTwoThirdsOfTheScreen)
{
    for (auto [screen, startZoom, zoom] : {std::tuple{KESODisplay::Size{1920, 1080}, 0, 2}, {{3840, 2160}, 0, 4},
                                           {{1366, 700}, 0, 1}, {{0, 0}, 0, 1}, {{3840, 2160}, 1, 1},
                                           {{1280, 800}, 4, 4}}) {
        services.display.screen = screen;
        services.display.zoom = 1;
        start(startZoom);
        EXPECT_EQ(services.display.zoom, zoom) << screen.width << "x" << screen.height << " " << startZoom;
        TearDown();
        SetUp();
    }
}
