#include "foundation/KESOKeyState.h"
#include "platform/desktop/SdlDisplay.h"
#include "platform/desktop/SdlKeyState.h"
#include "tests/desktop/DesktopSession.h"

#include <chrono>
#include <thread>

namespace {

class SdlKeyStateTest : public DesktopSession {
protected:
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

    SdlKeyState keys; // made on this thread, which is therefore the GUI thread
    SdlDisplay display;
};

} // namespace

TEST_F(SdlKeyStateTest, EscapeAndEitherControlAreSeenFromAnyThreadAndTheWindowStillGetsThem)
{
    ASSERT_TRUE(display.open(u"Keys", 240, 320));
    focus(SdlDisplay::programX11Window());
    ASSERT_TRUE(xdotool("keydown Escape"));
    // Only the GUI thread takes the press in; another thread never touches the window system.
    EXPECT_FALSE(askedElsewhere(KESOKeyState::Escape));
    ASSERT_TRUE(becomes(KESOKeyState::Escape, true));
    EXPECT_TRUE(askedElsewhere(KESOKeyState::Escape));
    ASSERT_TRUE(xdotool("keyup Escape keydown Control_L keydown Control_R keyup Control_L"));
    // The window gets every key the key state has seen, in order.
    std::vector<int> keyEvents;
    KESODisplayEvent event;
    ASSERT_TRUE(within([&] { return !keyEvents.empty() && keyEvents.back() == -0x11; },
                       [&] {
                           if (!display.waitEvent(event, 10))
                               return;
                           if (event.type == KESODisplayEvent::KeyDown)
                               keyEvents.push_back(event.code);
                           else if (event.type == KESODisplayEvent::KeyUp)
                               keyEvents.push_back(-event.code);
                       }));
    EXPECT_EQ(keyEvents, (std::vector<int>{0x1B, -0x1B, 0x11, 0x11, -0x11}));
    EXPECT_FALSE(keys.isKeyDown(KESOKeyState::Escape));
    EXPECT_TRUE(keys.isKeyDown(KESOKeyState::Control)); // the right one is still held
    EXPECT_TRUE(askedElsewhere(KESOKeyState::Control));
    ASSERT_TRUE(xdotool("keyup Control_R"));
    EXPECT_TRUE(becomes(KESOKeyState::Control, false));
}
