#include "foundation/KESOServices.h"
#include "gui/LGUIApp.h"
#include "gui/LScreenBitmap.h"
#include "platform/desktop/SdlDisplay.h"
#include "tests/desktop/DesktopSession.h"
#include "tests/support/FakeServices.h"

#include <chrono>
#include <cstdlib>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

// Every pixel different from its neighbours, so that a pixel shown in the wrong place shows.
std::vector<std::uint32_t> testFrame()
{
    std::vector<std::uint32_t> frame(240 * 320);
    for (int y = 0; y < 320; ++y) {
        for (int x = 0; x < 240; ++x)
            frame[y * 240 + x] = (x << 16) | ((y & 0xFF) << 8) | ((y >> 8) << 7) | ((x * 3 + y) & 0x7F);
    }
    return frame;
}

// How many pixels of a screenshot of the window at a zoom differ from the frame.
int differences(const std::vector<std::uint32_t>& shot, const std::vector<std::uint32_t>& frame, int zoom)
{
    if (shot.size() != frame.size() * zoom * zoom)
        return -1;
    int wrong = 0;
    const int width = 240 * zoom;
    for (int y = 0; y < 320 * zoom; ++y) {
        for (int x = 0; x < width; ++x)
            wrong += shot[y * width + x] != frame[(y / zoom) * 240 + x / zoom];
    }
    return wrong;
}

std::string name(const KESODisplayEvent& event)
{
    return std::to_string(event.type) + ":" + std::to_string(event.code) + (event.control ? "+ctrl" : "");
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
        display.close(); // before the X server goes
        DesktopSession::TearDown();
    }

    // The events that arrive within the time, none waited for longer.
    std::vector<KESODisplayEvent> eventsWithin(int milliseconds)
    {
        std::vector<KESODisplayEvent> events;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
        KESODisplayEvent event;
        while (std::chrono::steady_clock::now() < end) {
            if (display.waitEvent(event, 5))
                events.push_back(event);
        }
        return events;
    }
    // Waits until an event of the type comes, at most two seconds; the events before it are lost.
    bool waitFor(KESODisplayEvent::Type type, KESODisplayEvent& event)
    {
        event.type = KESODisplayEvent::None;
        return within([&] { return event.type == type; },
                      [&] {
                          if (!display.waitEvent(event, 20))
                              event.type = KESODisplayEvent::None;
                      });
    }

    FakeServices services;
    SdlDisplay display;
};

} // namespace

TEST_F(SdlDisplayTest, TheFrameFillsTheClientAreaPixelForPixelAtZoomOneAndTwo)
{
    ASSERT_TRUE(display.open(u"Frame", 240, 320));
    const XWindow window = x11Window(SdlDisplay::programWindow());
    const std::vector<std::uint32_t> frame = testFrame();
    for (int zoom : {1, 2}) {
        display.setZoom(zoom);
        int width = 0;
        int height = 0;
        ASSERT_TRUE(within([&] { geometry(window, width, height); return width == 240 * zoom && height == 320 * zoom; },
                           [&] { eventsWithin(10); }))
            << "zoom " << zoom << " gave " << width << " x " << height;
        EXPECT_EQ(display.clientSize().width, 240 * zoom);
        EXPECT_EQ(display.clientSize().height, 320 * zoom);
        display.present(frame.data());
        EXPECT_EQ(differences(screenshot(window), frame, zoom), 0) << "zoom " << zoom;
    }
}

TEST_F(SdlDisplayTest, WhatCannotOpenIsToldInADDrawMessageAndTheNextOpenStillWorks)
{
    const std::string server = std::getenv("DISPLAY");
    setenv("DISPLAY", ":65000", 1); // no server there
    testing::internal::CaptureStderr();
    EXPECT_FALSE(display.open(u"No server", 240, 320));
    const std::string why = testing::internal::GetCapturedStderr();
    EXPECT_NE(why.find("SDL: "), std::string::npos) << why;
    setenv("DISPLAY", server.c_str(), 1);
    EXPECT_FALSE(display.open(u"Too large", 20000, 20000));
    EXPECT_FALSE(display.open(u"No pixels", 0, 0));
    EXPECT_FALSE(display.isOpen());
    EXPECT_EQ(SdlDisplay::programWindow(), nullptr);
    ASSERT_EQ(services.messageBox.shown.size(), 3u);
    EXPECT_EQ(services.messageBox.shown[0].text, "Error loading ddraw.dll");
    EXPECT_EQ(services.messageBox.shown[1].text, "Error getting address of DirectDrawCreate");
    EXPECT_EQ(services.messageBox.shown[2].text, "DirectDrawCreate returned an error");
    for (const FakeMessageBox::Message& message : services.messageBox.shown)
        EXPECT_EQ(message.caption, "DDraw");

    ASSERT_TRUE(display.open(u"Fine", 240, 320));
    EXPECT_NE(SdlDisplay::programWindow(), nullptr);
    EXPECT_EQ(display.clientSize().width, 240);
    EXPECT_EQ(display.usableScreenSize().width, 1280);
    EXPECT_EQ(display.usableScreenSize().height, 1024);
}

TEST_F(SdlDisplayTest, ATimerTicksOnTheWaitingThreadWithAtMostOneTickQueued)
{
    ASSERT_TRUE(display.open(u"Timers", 240, 320));
    display.setTimer(7, 5);
    display.setTimer(8, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // some twenty expiries each
    std::map<int, int> ticks;
    KESODisplayEvent event;
    while (display.waitEvent(event, 0)) {
        if (event.type == KESODisplayEvent::Timer)
            ++ticks[event.code];
    }
    for (const auto& [id, count] : ticks)
        EXPECT_EQ(count, 1) << "timer " << id;
    // Both keep ticking.
    EXPECT_TRUE(within([&] { return ticks.size() == 2; },
                       [&] {
                           if (display.waitEvent(event, 20) && event.type == KESODisplayEvent::Timer)
                               ++ticks[event.code];
                       }));
    EXPECT_EQ(ticks.begin()->first, 7);
    EXPECT_EQ(ticks.rbegin()->first, 8);

    display.killTimer(7);
    display.killTimer(8);
    for (const KESODisplayEvent& late : eventsWithin(50))
        EXPECT_NE(late.type, KESODisplayEvent::Timer) << "timer " << late.code;
}

TEST_F(SdlDisplayTest, FilesDroppedTogetherArriveAsOneEvent)
{
    ASSERT_TRUE(display.open(u"Drop", 240, 320));
    SDL_Event drop{};
    drop.type = SDL_DROPBEGIN;
    SDL_PushEvent(&drop);
    for (const char* path : {"/tmp/a song.vdl", "/tmp/S\xC3\xA5ng.vdl"}) {
        drop.type = SDL_DROPFILE;
        drop.drop.file = SDL_strdup(path);
        SDL_PushEvent(&drop);
    }
    drop.type = SDL_DROPCOMPLETE;
    drop.drop.file = nullptr;
    SDL_PushEvent(&drop);
    // An empty drop says nothing.
    drop.type = SDL_DROPBEGIN;
    SDL_PushEvent(&drop);
    drop.type = SDL_DROPCOMPLETE;
    SDL_PushEvent(&drop);

    std::vector<KESODisplayEvent> drops;
    for (const KESODisplayEvent& event : eventsWithin(50)) {
        if (event.type == KESODisplayEvent::FilesDropped)
            drops.push_back(event);
    }
    ASSERT_EQ(drops.size(), 1u);
    ASSERT_EQ(drops[0].files.size(), 2u);
    EXPECT_EQ(drops[0].files[0], String(u"/tmp/a song.vdl"));
    EXPECT_EQ(drops[0].files[1], String(u"/tmp/S\u00E5ng.vdl"));
}

TEST_F(SdlDisplayTest, KeysArriveAsVirtualKeyCodesWithTheirCharacters)
{
    ASSERT_TRUE(display.open(u"Keys", 240, 320));
    const XWindow window = x11Window(SdlDisplay::programWindow());
    focus(window);
    ASSERT_TRUE(xdotool("key --window " + std::to_string(window) +
                        " Return space Escape BackSpace Prior Next End Home Left Up Right Down Delete a 7"
                        " KP_Multiply KP_Add KP_Subtract ctrl+2"));
    // A key held down repeats as further key-down events.
    SDL_Event repeat{};
    repeat.type = SDL_KEYDOWN;
    repeat.key.repeat = 1;
    repeat.key.keysym.sym = SDLK_a;
    repeat.key.keysym.scancode = SDL_SCANCODE_A;

    std::vector<int> keys;
    std::vector<int> characters;
    std::vector<std::string> zoomKeys;
    KESODisplayEvent event;
    ASSERT_TRUE(within([&] { return !zoomKeys.empty(); },
                       [&] {
                           if (!display.waitEvent(event, 20))
                               return;
                           if (event.type == KESODisplayEvent::KeyDown && event.control && event.code != 0x11)
                               zoomKeys.push_back(name(event));
                           else if (event.type == KESODisplayEvent::KeyDown)
                               keys.push_back(event.code);
                           else if (event.type == KESODisplayEvent::Character)
                               characters.push_back(event.code);
                       }));
    EXPECT_EQ(keys, (std::vector<int>{0x0D, 0x20, 0x1B, 0x08, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x2E,
                                      'A', '7', 0x6A, 0x6B, 0x6D, 0x11}));
    EXPECT_EQ(characters, (std::vector<int>{0x0D, ' ', 0x1B, 0x08, 'a', '7', '*', '+', '-'}));
    EXPECT_EQ(zoomKeys, std::vector<std::string>{std::to_string(KESODisplayEvent::KeyDown) + ":50+ctrl"});

    SDL_PushEvent(&repeat);
    ASSERT_TRUE(waitFor(KESODisplayEvent::KeyDown, event));
    EXPECT_EQ(event.code, 'A');
    EXPECT_TRUE(event.repeat);
}

namespace {

// The window program's view of the window: what each operation was called with.
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
        mouse.push_back(std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) +
                        (buttonDown ? " held" : ""));
    }
    bool saw(const std::string& prefix) const
    {
        return !mouse.empty() && mouse.back().rfind(prefix, 0) == 0;
    }

    std::vector<std::string> mouse;
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
        window = x11Window(SdlDisplay::programWindow());
        program.setTimer(1, 10); // keeps the steps turning, as the program's own timer does
    }
    void TearDown() override
    {
        LScreenBitmap::instance().destroy();
        SdlDisplayTest::TearDown();
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

TEST_F(WindowProgramTest, ControlTwoGivesAClientAreaOfTwiceTheScreen)
{
    focus(window);
    ASSERT_TRUE(xdotool("key --window " + std::to_string(window) + " ctrl+2"));
    int width = 0;
    int height = 0;
    EXPECT_TRUE(within([&] { geometry(window, width, height); return width == 480 && height == 640; }, step()))
        << width << " x " << height;
    EXPECT_EQ(display.clientSize().width, 480);
    EXPECT_EQ(display.clientSize().height, 640);
}

TEST_F(WindowProgramTest, ADragThatLeavesTheWindowGoesOnUntilTheReleaseOutside)
{
    focus(window);
    int x = 0;
    int y = 0;
    origin(window, x, y);
    auto at = [](int px, int py) { return " " + std::to_string(px) + " " + std::to_string(py); };
    ASSERT_TRUE(xdotool("mousemove" + at(x + 100, y + 200) + " mousedown 1"));
    ASSERT_TRUE(within([&] { return program.saw("down"); }, step()));
    ASSERT_TRUE(xdotool("mousemove" + at(x - 30, y + 100)));
    ASSERT_TRUE(within([&] { return program.saw("drag 65506,100"); }, step()));
    ASSERT_TRUE(xdotool("mousemove" + at(x + 100, y - 40)));
    ASSERT_TRUE(within([&] { return program.saw("drag 100,-40"); }, step()));
    ASSERT_TRUE(xdotool("mousemove" + at(x + 300, y + 400) + " mouseup 1"));
    ASSERT_TRUE(within([&] { return program.saw("up"); }, step()));
    EXPECT_EQ(program.mouse.front(), "down 100,200 held");
    EXPECT_EQ(program.mouse.back(), "up 300,400 held");
    EXPECT_FALSE(program.buttonDown);
}

TEST_F(WindowProgramTest, TheCloseButtonDestroysOnceAndEndsTheSteps)
{
    requestClose(window);
    ASSERT_TRUE(within([&] { return lastStep == 0; }, step()));
    EXPECT_EQ(program.destroyed, 1);
    EXPECT_EQ(program.displayStep(program.frame.data()), 0);
    EXPECT_FALSE(display.isOpen());
    EXPECT_EQ(program.destroyed, 1);
}
