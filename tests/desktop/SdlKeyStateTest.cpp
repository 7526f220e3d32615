#include "foundation/KESOKeyState.h"
#include "platform/desktop/SdlDisplay.h"
#include "platform/desktop/SdlKeyState.h"
#include "tests/desktop/DesktopSession.h"

#include <chrono>
#include <thread>

namespace {

class SdlKeyStateTest : public DesktopSession {
protected:
    void SetUp() override
    {
        DesktopSession::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ASSERT_TRUE(display.open(u"Keys", 240, 320));
        focus(x11Window(SdlDisplay::programWindow()));
    }
    void TearDown() override
    {
        display.close();
        DesktopSession::TearDown();
    }

    // Asked on the GUI thread, as an export does while nothing else takes events in.
    bool becomes(int key, bool down)
    {
        return within([&] { return keys.isKeyDown(key) == down; },
                      [] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
    }
    bool askedElsewhere(int key)
    {
        bool down = false;
        std::thread([&] { down = keys.isKeyDown(key); }).join();
        return down;
    }
    // Takes the window's events in until a key event with the code comes; whether one came.
    bool windowGets(KESODisplayEvent::Type type, int code)
    {
        KESODisplayEvent event;
        return within([&] { return event.type == type && event.code == code; },
                      [&] {
                          if (!display.waitEvent(event, 20))
                              event.type = KESODisplayEvent::None;
                      });
    }

    SdlKeyState keys; // made on this thread, which is therefore the GUI thread
    SdlDisplay display;
};

} // namespace

TEST_F(SdlKeyStateTest, EscapeHeldIsSeenWithoutTakingTheKeyFromTheWindow)
{
    ASSERT_TRUE(xdotool("keydown Escape"));
    // Only the GUI thread takes the press in; another thread never touches the window system.
    EXPECT_FALSE(askedElsewhere(KESOKeyState::Escape));
    ASSERT_TRUE(becomes(KESOKeyState::Escape, true));
    EXPECT_TRUE(askedElsewhere(KESOKeyState::Escape));
    ASSERT_TRUE(xdotool("keyup Escape"));
    ASSERT_TRUE(becomes(KESOKeyState::Escape, false));
    EXPECT_FALSE(askedElsewhere(KESOKeyState::Escape));
    // The window still gets both.
    EXPECT_TRUE(windowGets(KESODisplayEvent::KeyDown, KESOKeyState::Escape));
    EXPECT_TRUE(windowGets(KESODisplayEvent::KeyUp, KESOKeyState::Escape));
}

TEST_F(SdlKeyStateTest, ControlIsHeldWhileEitherControlKeyIs)
{
    ASSERT_TRUE(xdotool("keydown Control_L keydown Control_R keyup Control_L"));
    ASSERT_TRUE(windowGets(KESODisplayEvent::KeyUp, KESOKeyState::Control));
    EXPECT_TRUE(keys.isKeyDown(KESOKeyState::Control));
    EXPECT_TRUE(askedElsewhere(KESOKeyState::Control));
    EXPECT_FALSE(keys.isKeyDown(KESOKeyState::Escape));
    ASSERT_TRUE(xdotool("keyup Control_R"));
    EXPECT_TRUE(becomes(KESOKeyState::Control, false));
}
