#pragma once

#include "tests/support/CommandRun.h"
#include "tests/support/XvfbServer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The base of the tests of the real window services: a private X server, SDL sent to it with the
// software renderer, message boxes on stderr, and an X connection of the test's own to look at
// windows and poke them as a desktop would. Skips where no X server can start.
class DesktopSession : public ::testing::Test {
protected:
    using XWindow = unsigned long;
    void SetUp() override;
    void TearDown() override;
    // What the X server shows in the window, row after row, as 0x00RRGGBB.
    std::vector<std::uint32_t> screenshot(XWindow window);
    // The close request a window manager sends for the close button (WM_DELETE_WINDOW).
    void requestClose(XWindow window);
    // There is no window manager to give the window the keyboard on a click.
    void focus(XWindow window) { ASSERT_TRUE(xdotool("windowfocus --sync " + std::to_string(window))); }
    static bool xdotool(const std::string& arguments) { return CommandRun::run("xdotool " + arguments).status == 0; }
    // The visible window of exactly that title once it shows; 0 when it has not within the time.
    static XWindow findWindow(const std::string& title, int seconds);
    // Calls step until done holds or the time has passed; whether done holds.
    static bool within(const std::function<bool()>& done, const std::function<void()>& step, int milliseconds = 2000);

private:
    std::unique_ptr<XvfbServer> xvfb_;
    void* x_ = nullptr; // the test's own X connection
};
