#include "foundation/KESOServices.h"
#include "gui/LGUIApp.h"
#include "gui/LScreenBitmap.h"
#include "platform/desktop/SdlDisplay.h"
#include "platform/desktop/SdlKeyState.h"
#include "tests/desktop/DesktopSession.h"
#include "tests/support/FakeServices.h"

#include <chrono>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

// Every pixel differs from its neighbours, so a pixel shown in the wrong place shows.
std::vector<std::uint32_t> testFrame()
{
    std::vector<std::uint32_t> frame(240 * 320);
    for (int y = 0; y < 320; ++y) {
        for (int x = 0; x < 240; ++x)
            frame[y * 240 + x] = (x << 16) | ((y & 0xFF) << 8) | ((y >> 8) << 7) | ((x * 3 + y) & 0x7F);
    }
    return frame;
}

class SdlDisplayTest : public DesktopSession {
protected:
    void SetUp() override
    {
        DesktopSession::SetUp();
        KESOServices::instance().display = &display;
    }
    void TearDown() override
    {
        display.close(); // before its X server goes
        DesktopSession::TearDown();
    }
    // Takes events until one satisfies wanted; false when none did in the time.
    bool waitFor(const std::function<bool(const KESODisplayEvent&)>& wanted, int milliseconds = 2000)
    {
        KESODisplayEvent event;
        bool got = false;
        return within([&] { return got && wanted(event); }, [&] { got = display.waitEvent(event, 10); }, milliseconds);
    }
    // xdotool's key names, typed into the open window once it has the keyboard.
    void press(const std::string& keys)
    {
        const XWindow window = SdlDisplay::programX11Window();
        focus(window);
        ASSERT_TRUE(xdotool("key --window " + std::to_string(window) + " " + keys));
    }

    FakeServices services;
    SdlDisplay display;
};

} // namespace

TEST_F(SdlDisplayTest, TheFrameFillsTheClientAreaPixelForPixelAtEachZoom)
{
    ASSERT_TRUE(display.open(u"Frame", 240, 320));
    const XWindow window = SdlDisplay::programX11Window();
    const std::vector<std::uint32_t> frame = testFrame();
    for (int zoom : {1, 2}) {
        display.setZoom(zoom);
        ASSERT_TRUE(sizeBecomes(window, 240 * zoom, 320 * zoom, [&] { waitFor([](auto&) { return false; }, 10); }));
        display.present(frame.data());
        const std::vector<std::uint32_t> shot = screenshot(window);
        ASSERT_EQ(shot.size(), frame.size() * zoom * zoom);
        int wrong = 0;
        for (int y = 0; y < 320 * zoom; ++y) {
            for (int x = 0; x < 240 * zoom; ++x)
                wrong += shot[y * 240 * zoom + x] != frame[(y / zoom) * 240 + x / zoom];
        }
        EXPECT_EQ(wrong, 0) << "zoom " << zoom;
    }
}

TEST_F(SdlDisplayTest, AWindowThatCannotOpenIsToldInADDrawMessage)
{
    const std::string server = std::getenv("DISPLAY");
    unsetenv("DISPLAY"); // no display at all: SDL would fall back on a driver that shows nothing
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("SDL_VIDEODRIVER");
    EXPECT_FALSE(display.open(u"Nowhere", 240, 320));
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("DISPLAY", server.c_str(), 1);
    EXPECT_FALSE(display.open(u"Too large", 20000, 20000));
    EXPECT_FALSE(display.open(u"No pixels", 0, 0));
    EXPECT_EQ(SdlDisplay::programWindow(), nullptr);
    std::vector<std::string> told;
    for (const FakeMessageBox::Message& message : services.messageBox.shown)
        told.push_back(message.caption + ": " + message.text);
    EXPECT_EQ(told, (std::vector<std::string>{"DDraw: Error loading ddraw.dll",
                                              "DDraw: Error getting address of DirectDrawCreate",
                                              "DDraw: DirectDrawCreate returned an error"}));
    // A failure leaves nothing behind that would stop the next window.
    ASSERT_TRUE(display.open(u"Fine", 240, 320));
    EXPECT_EQ(display.usableScreenSize().width, 1280);
}

TEST_F(SdlDisplayTest, TimersKeepAtMostOneTickWaitingAndStopWhenKilled)
{
    ASSERT_TRUE(display.open(u"Timers", 240, 320));
    display.setTimer(7, 5);
    display.setTimer(8, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // some twenty expiries each
    std::map<int, int> ticks;
    KESODisplayEvent event;
    while (display.waitEvent(event, 0))
        ticks[event.code] += event.type == KESODisplayEvent::Timer;
    EXPECT_EQ(ticks[7], 1);
    EXPECT_EQ(ticks[8], 1);
    display.killTimer(7);
    display.killTimer(8);
    EXPECT_FALSE(waitFor([](const KESODisplayEvent& e) { return e.type == KESODisplayEvent::Timer; }, 60));
}

TEST_F(SdlDisplayTest, FilesDroppedTogetherArriveAsOneEvent)
{
    ASSERT_TRUE(display.open(u"Drop", 240, 320));
    SDL_Event drop{};
    for (const char* path : {"/tmp/a song.vdl", "/tmp/S\xC3\xA5ng.vdl", ""}) {
        drop.type = *path != 0 ? SDL_DROPFILE : SDL_DROPCOMPLETE;
        drop.drop.file = *path != 0 ? SDL_strdup(path) : nullptr;
        SDL_PushEvent(&drop);
    }
    std::vector<String> files;
    ASSERT_TRUE(waitFor([&](const KESODisplayEvent& e) { files = e.files; return e.type == KESODisplayEvent::FilesDropped; }));
    EXPECT_EQ(files, (std::vector<String>{u"/tmp/a song.vdl", u"/tmp/S\u00E5ng.vdl"}));
}

TEST_F(SdlDisplayTest, KeysArriveAsVirtualKeyCodesWithTheirCharacters)
{
    ASSERT_TRUE(display.open(u"Keys", 240, 320));
    press("Return space Escape BackSpace Prior Next End Home Left Up Right Down Delete a 7"
          " KP_Multiply KP_Add KP_Subtract ctrl+2");
    std::vector<int> keys;
    std::vector<int> characters;
    ASSERT_TRUE(waitFor([&](const KESODisplayEvent& e) {
        if (e.type == KESODisplayEvent::KeyDown)
            keys.push_back(e.control ? -e.code : e.code);
        if (e.type == KESODisplayEvent::Character)
            characters.push_back(e.code);
        return e.type == KESODisplayEvent::KeyDown && e.code == '2';
    }));
    EXPECT_EQ(keys, (std::vector<int>{0x0D, 0x20, 0x1B, 0x08, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x2E,
                                      'A', '7', 0x6A, 0x6B, 0x6D, -0x11, -'2'}));
    EXPECT_EQ(characters, (std::vector<int>{0x0D, ' ', 0x1B, 0x08, 'a', '7', '*', '+', '-'}));
}

TEST_F(SdlDisplayTest, TheKeyStateSeesEscapeAndEitherControlFromAnyThread)
{
    SdlKeyState keys; // made on this thread, which is therefore the GUI thread
    const auto askedElsewhere = [&](int key) {
        bool down = false;
        std::thread([&] { down = keys.isKeyDown(key); }).join();
        return down;
    };
    // Asked on the GUI thread, as an export does while nothing else takes events in.
    const auto becomes = [&](int key, bool down) {
        return within([&] { return keys.isKeyDown(key) == down; },
                      [] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
    };
    ASSERT_TRUE(display.open(u"Keys", 240, 320));
    focus(SdlDisplay::programX11Window());
    ASSERT_TRUE(xdotool("keydown Escape"));
    // Only the GUI thread takes the press in; another thread never touches the window system.
    EXPECT_FALSE(askedElsewhere(KESOKeyState::Escape));
    ASSERT_TRUE(becomes(KESOKeyState::Escape, true));
    EXPECT_TRUE(askedElsewhere(KESOKeyState::Escape));
    ASSERT_TRUE(xdotool("keyup Escape keydown Control_L keydown Control_R keyup Control_L"));
    std::vector<int> seen; // the window still gets every key, in order
    ASSERT_TRUE(waitFor([&](const KESODisplayEvent& e) {
        if (e.type == KESODisplayEvent::KeyDown || e.type == KESODisplayEvent::KeyUp)
            seen.push_back(e.type == KESODisplayEvent::KeyDown ? e.code : -e.code);
        return e.type == KESODisplayEvent::KeyUp && e.code == 0x11;
    }));
    EXPECT_EQ(seen, (std::vector<int>{0x1B, -0x1B, 0x11, 0x11, -0x11}));
    EXPECT_FALSE(keys.isKeyDown(KESOKeyState::Escape));
    EXPECT_TRUE(askedElsewhere(KESOKeyState::Control)); // the right one is still held
    ASSERT_TRUE(xdotool("keyup Control_R"));
    EXPECT_TRUE(becomes(KESOKeyState::Control, false));
}

namespace {

// The window program's view of the window: its last mouse call.
class WindowProgram : public LGUIApp {
public:
    void mouseDown(int x, int y) override { log("down", x, y); }
    void mouseMove(int x, int y, bool held) override
    {
        if (held)
            log("drag", x, y);
    }
    void mouseUp(int x, int y) override { log("up", x, y); }
    void onDestroy() override { ++destroyed; }
    void log(const char* what, int x, int y)
    {
        last = std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) + (buttonDown ? " held" : "");
    }

    std::string last;
    int destroyed = 0;
    std::vector<std::uint32_t> frame = testFrame();
};

class WindowProgramTest : public SdlDisplayTest {
protected:
    void SetUp() override
    {
        SdlDisplayTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(program.create(u"Program"));
        window = SdlDisplay::programX11Window();
        program.setTimer(1, 10); // keeps the steps turning, as the program's own timer does
    }
    void TearDown() override
    {
        LScreenBitmap::instance().destroy();
        SdlDisplayTest::TearDown();
    }
    // Whether the program's last mouse call comes to be the one given while it runs its steps.
    bool mouse(const std::string& xdotoolCommands, const std::string& call)
    {
        return xdotool(xdotoolCommands) && within([&] { return program.last == call; }, step());
    }
    std::function<void()> step()
    {
        return [this] { lastStep = program.displayStep(program.frame.data()); };
    }

    WindowProgram program;
    XWindow window = 0;
    int lastStep = 1;
};

} // namespace

TEST_F(WindowProgramTest, ADragThatLeavesTheWindowGoesOnUntilTheReleaseOutside)
{
    focus(window);
    const std::string to = "mousemove --window " + std::to_string(window) + " -- ";
    EXPECT_TRUE(mouse(to + "100 200 mousedown 1", "down 100,200 held"));
    EXPECT_TRUE(mouse(to + "-30 100", "drag 65506,100 held")); // left: a large x
    EXPECT_TRUE(mouse(to + "100 -40", "drag 100,-40 held"));   // above: a negative y
    EXPECT_TRUE(mouse(to + "300 400 mouseup 1", "up 300,400 held"));
    EXPECT_FALSE(program.buttonDown);
}

TEST_F(WindowProgramTest, TheCloseButtonDestroysOnceAndEndsTheSteps)
{
    requestClose(window);
    ASSERT_TRUE(within([&] { return lastStep == 0; }, step()));
    EXPECT_EQ(program.displayStep(program.frame.data()), 0);
    EXPECT_FALSE(display.isOpen());
    EXPECT_EQ(program.destroyed, 1);
}
