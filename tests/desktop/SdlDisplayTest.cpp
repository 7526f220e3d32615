#include "foundation/KESOServices.h"
#include "gui/LGUIApp.h"
#include "gui/LScreenBitmap.h"
#include "platform/desktop/SdlDisplay.h"
#include "platform/desktop/SdlKeyState.h"
#include "tests/desktop/DesktopSession.h"
#include "tests/support/FakeServices.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// The window program's view of the window: its last mouse call.
class WindowProgram : public LGUIApp {
public:
    void mouseDown(int x, int y) override { log("down", x, y); }
    void mouseMove(int x, int y, bool held) override { log(held ? "drag" : "move", x, y); }
    void mouseUp(int x, int y) override { log("up", x, y); }
    void log(const char* what, int x, int y)
    {
        last = std::string(what) + " " + std::to_string(x) + "," + std::to_string(y) + (buttonDown ? " held" : "");
    }
    std::string last;
};

// The program's window on the real display; the tests look at it and drive it through X.
class SdlDisplayTest : public DesktopSession {
protected:
    void SetUp() override
    {
        DesktopSession::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        KESOServices::instance().display = &display;
        ASSERT_TRUE(program.create(u"Program"));
        window = SdlDisplay::programX11Window();
        focus(window);
    }
    void TearDown() override
    {
        display.close(); // before its X server goes
        LScreenBitmap::instance().destroy();
        DesktopSession::TearDown();
    }
    FakeServices services;
    SdlDisplay display;
    WindowProgram program;
    XWindow window = 0;
    std::vector<std::uint32_t> frame = std::vector<std::uint32_t>(240 * 320);
};

} // namespace

TEST_F(SdlDisplayTest, KeysArriveAsVirtualKeyCodesWithTheirCharactersAndTheKeyStateSeesThemFromAnyThread)
{
    ASSERT_TRUE(xdotool("key --window " + std::to_string(window) +
                        " Return space Escape BackSpace Prior Next End Home Left Up Right Down Delete a 7"
                        " KP_Multiply KP_Add KP_Subtract ctrl+2"));
    std::vector<int> keys, characters;
    const auto take = [&] {
        KESODisplayEvent e;
        display.waitEvent(e, 10);
        if (e.type == KESODisplayEvent::KeyDown)
            keys.push_back(e.control ? -e.code : e.code);
        if (e.type == KESODisplayEvent::Character)
            characters.push_back(e.code);
    };
    ASSERT_TRUE(within([&] { return !keys.empty() && keys.back() == -'2'; }, take));
    EXPECT_EQ(keys, (std::vector<int>{0x0D, 0x20, 0x1B, 0x08, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x2E,
                                      'A', '7', 0x6A, 0x6B, 0x6D, -0x11, -'2'}));
    EXPECT_EQ(characters, (std::vector<int>{0x0D, ' ', 0x1B, 0x08, 'a', '7', '*', '+', '-'}));
    // The key state sees Escape and either Control, asked from any thread.
    SdlKeyState held; // made on this thread, which is therefore the GUI thread
    const auto askedElsewhere = [&](int key) {
        bool down = false;
        std::thread([&] { down = held.isKeyDown(key); }).join();
        return down;
    };
    // Asked on the GUI thread, as an export does while nothing else takes events in.
    const auto becomes = [&](int key, bool down) { return within([&] { return held.isKeyDown(key) == down; }, [] {}); };
    ASSERT_TRUE(xdotool("keydown Escape"));
    // Only the GUI thread takes the press in; another thread never touches the window system.
    EXPECT_FALSE(askedElsewhere(KESOKeyState::Escape));
    ASSERT_TRUE(becomes(KESOKeyState::Escape, true));
    EXPECT_TRUE(askedElsewhere(KESOKeyState::Escape));
    // Either Control key gives Control, which stays down while one of them is held.
    ASSERT_TRUE(xdotool("keyup Escape keydown Control_L keydown Control_R keyup Control_L"));
    ASSERT_TRUE(becomes(KESOKeyState::Escape, false));
    EXPECT_TRUE(askedElsewhere(KESOKeyState::Control));
    ASSERT_TRUE(xdotool("keyup Control_R"));
    EXPECT_TRUE(becomes(KESOKeyState::Control, false));
}

TEST_F(SdlDisplayTest, ADragGoesOnOutsideTheWindowUntilTheReleaseAndARequestOnAWindowThatIsGoneEndsNothing)
{
    program.setTimer(1, 10); // keeps the steps turning, as the program's own timer does
    const auto step = [this] { program.displayStep(frame.data()); };
    const std::string to = "mousemove --window " + std::to_string(window) + " -- ";
    const auto becomes = [&](const std::string& call) { return within([&] { return program.last == call; }, step); };
    ASSERT_TRUE(xdotool(to + "100 200 mousedown 1") && becomes("down 100,200 held"));
    ASSERT_TRUE(xdotool(to + "-30 100") && becomes("drag 65506,100 held")); // left: a large x
    ASSERT_TRUE(xdotool(to + "100 -40") && becomes("drag 100,-40 held"));   // above: a negative y
    ASSERT_TRUE(xdotool(to + "300 400 mouseup 1") && becomes("up 300,400 held"));
    EXPECT_FALSE(program.buttonDown);
    // A request on a window that is gone ends nothing.
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    ASSERT_TRUE(SDL_GetWindowWMInfo(SdlDisplay::programWindow(), &info));
    // Xlib's own handler would exit here (seen when the window closed while requests were on their way).
    XMapWindow(info.info.x11.display, 0x7FFFFFF0);
    XSync(info.info.x11.display, False);
    KESODisplayEvent event;
    display.waitEvent(event, 10);
    EXPECT_TRUE(display.isOpen());
}
