#pragma once

#include "tests/support/XvfbServer.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// The base of the tests that run the real window services: a private X server, SDL sent to it
// with the software renderer, message boxes on standard error, and an X connection of the test's
// own to look at the program's window and to poke it the way a desktop would. Skips the test
// where no X server can be started.
class DesktopSession : public ::testing::Test {
protected:
    using XWindow = unsigned long;

    void SetUp() override;
    void TearDown() override;

    // The X window behind an SDL window.
    static XWindow x11Window(SDL_Window* window);
    // The client area's size as the X server has it.
    void geometry(XWindow window, int& width, int& height);
    // Where the client area's top left corner is on the screen.
    void origin(XWindow window, int& x, int& y);
    // What the X server shows in the client area, row after row, as 0x00RRGGBB.
    std::vector<std::uint32_t> screenshot(XWindow window);
    // The close request a window manager sends for the close button (WM_DELETE_WINDOW).
    void requestClose(XWindow window);
    // Gives the window the keyboard, as a window manager would on a click.
    void focus(XWindow window);
    // Runs xdotool; whether it succeeded.
    bool xdotool(const std::string& arguments);

    // Calls step until done holds or two seconds have passed; whether done holds.
    static bool within(const std::function<bool()>& done, const std::function<void()>& step);

private:
    std::unique_ptr<XvfbServer> xvfb_;
    void* x_ = nullptr; // the test's own X connection
};
