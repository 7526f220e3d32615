// The window program as a Linux desktop user meets it, on fake services: the export's progress in
// the hint line, files dropped on the window, a song named on the command line, the Control
// shortcuts and the zoom the window opens at.
#include "app/NVandrelApp.h"

#include "engine/NSequencer.h"
#include "gui/LFont.h"
#include "gui/LGUILabel.h"
#include "gui/LScreenBitmap.h"
#include "gui/NBitmapCache.h"
#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"
#include "tests/support/RecordingMachine.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int Width = 240;
constexpr int HintTop = 150; // rows around the hint line (centred on 157)
constexpr int HintBottom = 165;
constexpr int EscapeKey = 0x1B;

KESODisplayEvent event(KESODisplayEvent::Type type, int x = 0, int y = 0)
{
    KESODisplayEvent e;
    e.type = type;
    e.x = x;
    e.y = y;
    return e;
}

KESODisplayEvent key(int code, bool control, bool repeat = false)
{
    KESODisplayEvent e = event(KESODisplayEvent::KeyDown);
    e.code = code;
    e.control = control;
    e.repeat = repeat;
    return e;
}

// Rows [from, to) of two frames differ somewhere.
bool rowsDiffer(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b, int from, int to)
{
    for (int i = from * Width; i < to * Width; ++i) {
        if (a.at(i) != b.at(i))
            return true;
    }
    return false;
}

// The real application on fake services, its clock under the test's control: every reading of the
// clock moves it on by `tick`, and `onTick` sees each reading (the export reads it once a step).
class DavEdirorarAppDesktopTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        services.programPath.path = RUZI_BIN_DIR "/ruzi-zevivuvo";
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

    void TearDown() override
    {
        app.reset();
        for (int f = 0; f < LFont::Count; ++f)
            LFont::font(f)->setImage(nullptr);
        NBitmapCache::instance().empty();
        LScreenBitmap::instance().flush(nullptr);
        LScreenBitmap::instance().destroy();
        resetEngineForTest();
    }

    // One turn of the main loop: one queued event dispatched, the frame shown.
    void turn(const KESODisplayEvent* queued = nullptr)
    {
        if (queued != nullptr)
            services.display.events.push_back(*queued);
        LScreenBitmap::instance().flush(app->frameBuffer);
        app->displayStep(app->frameBuffer);
    }
    void exportWithCtrlE(const std::string& name)
    {
        services.fileChooser.answers.push_back(dir.file(name));
        const KESODisplayEvent ctrlE = key('E', true);
        turn(&ctrlE);
    }
    std::string hint() const { return app->exportScreen.hintLabel->text.toUtf8(); }
    std::string title() const { return app->exportScreen.titleLabel->text.toUtf8(); }
    String copyOfBundledSong(const std::string& name)
    {
        std::filesystem::copy_file(RUZI_BIN_DIR "/data/newsong.vdl", dir.path(name));
        return dir.file(name);
    }

    FakeServices services;
    FakeMidiPort midi;
    TempDir dir;
    std::unique_ptr<DavEdirorarApp> app;
    Clock::time_point now{};
    Clock::duration tick = 40ms;
    std::function<void()> onTick;
};

} // namespace

TEST_F(DavEdirorarAppDesktopTest, ALongExportShowsItsProgressInTheHintLineOnlyAndThenWhatItWrote)
{
    start();
    turn();
    const std::vector<std::uint32_t> atRest = services.display.frame;
    // Clicks and keys that arrive during the export must not fire after it.
    services.display.events.push_back(event(KESODisplayEvent::MouseDown, 175, 104)); // "Exit DavEdirorar"
    services.display.events.push_back(event(KESODisplayEvent::MouseUp, 175, 104));
    services.display.events.push_back(key(0x0D, false)); // Enter: play
    services.display.events.push_back(key(EscapeKey, false)); // typed before the export: not for it
    std::vector<std::string> shown;
    int presents = services.display.presents;
    onTick = [&] {
        if (services.display.presents == presents)
            return;
        presents = services.display.presents;
        shown.push_back(hint());
        EXPECT_FALSE(rowsDiffer(services.display.frame, atRest, 0, HintTop)) << "above the hint, at " << hint();
        EXPECT_FALSE(rowsDiffer(services.display.frame, atRest, HintBottom, 320)) << "below the hint, at " << hint();
        EXPECT_TRUE(rowsDiffer(services.display.frame, atRest, HintTop, HintBottom));
    };
    services.display.events.push_front(key('E', true));
    services.fileChooser.answers.push_back(dir.file("loop.wav"));
    turn();
    onTick = nullptr;

    // The bundled loop takes 64 steps, 2.5 s on this clock: from a third of a second on, a frame
    // every 100 ms at most (fewer when drawing one takes long in real time, as on a loaded machine
    // or under the sanitizers).
    ASSERT_GE(shown.size(), 3u);
    EXPECT_LE(shown.size(), 22u);
    int previous = 0;
    for (const std::string& text : shown) {
        ASSERT_EQ(text.rfind("Exporting... ", 0), 0u) << text;
        EXPECT_EQ(text.substr(text.find('%')), "% (Esc aborts)");
        const int percent = std::stoi(text.substr(13));
        EXPECT_GT(percent, previous) << text;
        previous = percent;
    }
    EXPECT_GE(previous, 95);
    EXPECT_TRUE(services.display.events.empty());
    EXPECT_FALSE(app->quitRequested);
    EXPECT_FALSE(NSequencer::instance().playing);
    EXPECT_TRUE(services.audioDevice.playing);

    EXPECT_EQ(hint(), "Exported loop.wav: 7.7 s"); // four bars at 124 bpm

    // Three seconds later the usual hint is back, and the panel is what it was, pixel for pixel.
    tick = 2900ms;
    app->onTimer(VandrelApp::AudioTimer);
    EXPECT_EQ(hint(), "Exported loop.wav: 7.7 s");
    app->onTimer(VandrelApp::AudioTimer);
    EXPECT_EQ(hint(), "Set up a loop and press the Export... button.");
    turn();
    EXPECT_FALSE(rowsDiffer(services.display.frame, atRest, 0, 240));
}

TEST_F(DavEdirorarAppDesktopTest, EscapeTheCloseButtonAndAFailureEachEndTheExportWithTheirOwnMessage)
{
    start();
    int steps = 0;
    onTick = [&] {
        if (++steps == 10)
            services.keyState.down.insert(EscapeKey);
    };
    exportWithCtrlE("escaped.wav");
    EXPECT_EQ(hint(), "Export aborted");
    ASSERT_EQ(services.messageBox.shown.size(), 1u);
    EXPECT_EQ(services.messageBox.shown[0].caption, "Aborted");
    services.keyState.down.clear();

    // A tap that is over before the export asks whether Escape is held still counts.
    steps = 0;
    onTick = [&] {
        if (++steps == 10)
            services.display.events.push_back(key(EscapeKey, false));
    };
    exportWithCtrlE("tapped.wav");
    EXPECT_EQ(hint(), "Export aborted");
    EXPECT_EQ(services.messageBox.shown.size(), 2u);
    onTick = nullptr;

    exportWithCtrlE("no such folder/x.wav");
    EXPECT_EQ(hint(), "Export failed: No such file or directory");
    EXPECT_EQ(services.messageBox.shown.size(), 3u);

    // The close button aborts like Escape, then the program ends as Exit ends it.
    steps = 0;
    onTick = [&] {
        if (++steps == 10)
            services.display.events.push_back(event(KESODisplayEvent::CloseRequest));
    };
    exportWithCtrlE("closed.wav");
    EXPECT_EQ(services.messageBox.shown.back().caption, "Aborted");
    EXPECT_LT(std::filesystem::file_size(dir.path("closed.wav")), 44 + 176400 * 7u); // less than the 7.7 s loop
    EXPECT_TRUE(app->quitRequested);
    EXPECT_FALSE(services.display.isOpen());
    EXPECT_FALSE(services.audioDevice.playing);
    // Escape is asked of the real key state again once the export is over.
    EXPECT_EQ(KESOServices::instance().keyState, &services.keyState);
}

TEST_F(DavEdirorarAppDesktopTest, DroppedAndCommandLineSongsAreLoadedAsLoadSongDoesAndBadOnesRefused)
{
    start();
    std::ofstream(dir.path("notes.txt")) << "not a song";
    KESODisplayEvent drop = event(KESODisplayEvent::FilesDropped);
    drop.files = {dir.file("notes.txt")};
    turn(&drop);
    app->openSong(dir.file("missing.vdl")); // as main does with the command line's song
    ASSERT_EQ(services.messageBox.shown.size(), 2u);
    EXPECT_EQ(services.messageBox.shown[0].caption, "Unrecognized file");
    EXPECT_EQ(services.messageBox.shown[1].caption, "Load Song");
    EXPECT_EQ(title(), "(untitled)");
    EXPECT_EQ(NSequencer::instance().fileName, String(u"\\(untitled)"));

    // Of several files, the first.
    const String song = copyOfBundledSong("Dropped.VDL");
    drop.files = {song, dir.file("notes.txt")};
    turn(&drop);
    EXPECT_EQ(services.messageBox.shown.size(), 2u);
    EXPECT_EQ(title(), "Dropped.VDL");
    EXPECT_EQ(NSequencer::instance().fileName, song);
    EXPECT_TRUE(services.audioDevice.playing);
    EXPECT_EQ(services.audioDevice.closes, 3); // audio stopped around each load

    app->openSong(copyOfBundledSong("Opened.vdl"));
    EXPECT_EQ(title(), "Opened.vdl");
}

TEST_F(DavEdirorarAppDesktopTest, ControlShortcutsRunTheButtonsCommandsAndLeaveThePlainKeysAlone)
{
    start();
    // No dialog without Control, nor for a held key's repeats.
    for (const KESODisplayEvent& k : {key('O', false), key('E', false), key('O', true, true)})
        turn(&k);
    EXPECT_TRUE(services.fileChooser.shown.empty());

    services.fileChooser.answers.push_back(copyOfBundledSong("Shortcut.vdl"));
    const KESODisplayEvent ctrlO = key('O', true), ctrlEnter = key(0x0D, true), ctrlQ = key('Q', true);
    turn(&ctrlO);
    EXPECT_EQ(title(), "Shortcut.vdl");
    turn(&ctrlEnter); // Enter still plays with Control held
    EXPECT_TRUE(NSequencer::instance().playing);
    turn(&ctrlQ);
    EXPECT_TRUE(app->quitRequested);
    EXPECT_FALSE(services.display.isOpen());
}

TEST_F(DavEdirorarAppDesktopTest, TheWindowOpensAtTheLargestZoomThatFitsTwoThirdsOfTheScreen)
{
    struct Case {
        KESODisplay::Size screen;
        int startZoom;
        int zoom;
    };
    for (const Case& c : {Case{{1920, 1080}, 0, 2}, Case{{3840, 2160}, 0, 4}, Case{{1366, 700}, 0, 1},
                          Case{{0, 0}, 0, 1}, Case{{3840, 2160}, 1, 1}, Case{{1280, 800}, 4, 4}}) {
        services.display.screen = c.screen;
        services.display.zoom = 1;
        start(c.startZoom);
        EXPECT_EQ(services.display.zoom, c.zoom) << c.screen.width << "x" << c.screen.height;
        TearDown();
        SetUp();
    }
}
