#include "app/NVandrelApp.h"

#include "engine/NSequencer.h"
#include "engine/NSongCommands.h"
#include "engine/NVandrelCore.h"
#include "gui/LScreenBitmap.h"
#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"
#include "tests/support/GuiTestScreen.h"
#include "tests/support/RecordingMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <vector>

namespace {

// The real application on fake platform services, started up as the program starts it, with
// Control held so that MIDI goes out.
class NVandrelAppTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        services.programPath.path = RUZI_BIN_DIR "/ruzi-zevivuvo";
        services.keyState.down.insert(KESOKeyState::Control);
        resetEngineForTest();
        app = new DavEdirorarApp();
        ASSERT_TRUE(app->create(u"VandrelStudio 1.1 Ruzi Zevivuvo"));
    }

    void TearDown() override
    {
        delete app;
        releaseScreenAndFonts();
        resetEngineForTest();
    }

    void click(int x, int y)
    {
        services.display.push(KESODisplayEvent::MouseDown, x, y);
        services.display.push(KESODisplayEvent::MouseUp, x, y);
    }

    FakeServices services;
    FakeMidiPort midi;
    DavEdirorarApp* app = nullptr;
};

} // namespace

TEST_F(NVandrelAppTest, StartUpOpensTheWindowLoadsTheSongAndStartsSoundAndMidi)
{
    FakeDisplay& display = services.display;
    EXPECT_EQ(display.title, String(u"VandrelStudio 1.1 Ruzi Zevivuvo"));
    // One cleared frame while the rest loaded, after a short wait for the new window's first event.
    EXPECT_EQ(display.presents, 1);
    EXPECT_EQ(display.waits, std::vector<int>{LGUIApp::FirstStepTimeoutMs});
    EXPECT_TRUE(std::all_of(display.frame.begin(), display.frame.end(), [](std::uint32_t p) { return p == 0; }));

    EXPECT_EQ(NSequencer::instance().fileName, String(u"\\(untitled)"));
    EXPECT_EQ(NSequencer::instance().mode, 1);
    EXPECT_TRUE(services.audioDevice.playing);
    EXPECT_EQ(display.timers, (std::map<int, int>{{1, 40}}));
    // Program changes only: the channel reset comes before them and the song's notes after.
    std::vector<FakeMidiPort::Message> programs;
    std::copy_if(midi.messages.begin(), midi.messages.end(), std::back_inserter(programs),
                 [](const FakeMidiPort::Message& m) { return (m.status & 0xF0) == 0xC0; });
    EXPECT_EQ(programs, (std::vector<FakeMidiPort::Message>{
                            {0xC0, 80, 0}, {0xC4, 80, 0}, {0xC1, 81, 0}, {0xC5, 83, 0}, {0xC2, 87, 0}, {0xC6, 87, 0}}));
}

TEST_F(NVandrelAppTest, ClosingTheWindowShowsTheScreenThenStopsEverythingOnce)
{
    services.display.push(KESODisplayEvent::KeyDown, 0, 0, 0x0D); // Enter: play
    services.display.push(KESODisplayEvent::Timer, 0, 0, 1);
    services.display.push(KESODisplayEvent::CloseRequest);
    EXPECT_EQ(app->run(), 0);

    EXPECT_TRUE(NSequencer::instance().playing);
    EXPECT_FALSE(services.display.isOpen());
    EXPECT_EQ(services.display.presents, 3); // the cleared frame, then the two turns before the close
    EXPECT_EQ(services.display.frame[150 * 240 + 2], 0x303030u); // the panel reached the window
    EXPECT_FALSE(services.audioDevice.playing);
    EXPECT_EQ(services.audioDevice.closes, 1);
    EXPECT_TRUE(services.display.timers.empty());
    EXPECT_EQ(NVandrelCore::instance().drums, nullptr); // the engine is shut down

    delete app; // closing again does nothing
    app = nullptr;
    EXPECT_EQ(services.audioDevice.closes, 1);
}

TEST_F(NVandrelAppTest, ExitStopsAudioAndClosesTheWindow)
{
    click(175, 104); // "Exit DavEdirorar"
    services.display.push(KESODisplayEvent::Timer, 0, 0, 1); // never reached
    EXPECT_EQ(app->run(), 0);

    EXPECT_FALSE(services.display.isOpen());
    EXPECT_EQ(services.audioDevice.closes, 1);
    EXPECT_EQ(services.display.events.size(), 1u);
}

TEST_F(NVandrelAppTest, TimerTicksRedrawTheSequencerViewWhenTheSongMovedInSongModeOnly)
{
    LScreenBitmap& screen = LScreenBitmap::instance();
    app->onTimer(VandrelApp::AudioTimer);
    screen.flush(nullptr);
    NSongCommands::locate(NSequencer::instance().barTicks());
    app->onTimer(VandrelApp::AudioTimer);
    ASSERT_GT(LScreenBitmap::dirtyCount(), 0);
    EXPECT_EQ(LScreenBitmap::dirtyRect(0).y, 252); // the view's rows

    screen.flush(nullptr); // nothing moved since: nothing to draw
    app->onTimer(VandrelApp::AudioTimer);
    EXPECT_EQ(LScreenBitmap::dirtyCount(), 0);

    NSongCommands::setMode(0);
    app->onTimer(VandrelApp::AudioTimer);
    EXPECT_EQ(LScreenBitmap::dirtyCount(), 0);
}
