#include "tests/desktop/DesktopSession.h"

#include "tests/support/CommandRun.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>

void DesktopSession::SetUp()
{
    xvfb_ = std::make_unique<XvfbServer>();
    if (!xvfb_->started())
        GTEST_SKIP() << "no X server for the window tests: " << xvfb_->why();
    if (CommandRun::run("command -v xdotool").status != 0)
        GTEST_SKIP() << "xdotool is not installed";
    // Read when SDL's video starts.
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
    setenv("RUZI_MESSAGES_TO_STDERR", "1", 1);
    setenv("RUZI_ZOOM", "1", 1); // the tests click at the logical size
    x_ = XOpenDisplay(xvfb_->display().c_str());
    ASSERT_NE(x_, nullptr) << "cannot talk to " << xvfb_->display();
}

void DesktopSession::TearDown()
{
    if (x_ != nullptr)
        XCloseDisplay(static_cast<Display*>(x_));
    xvfb_.reset();
}

std::vector<std::uint32_t> DesktopSession::screenshot(XWindow window)
{
    Display* x = static_cast<Display*>(x_);
    XWindowAttributes attributes{};
    XGetWindowAttributes(x, window, &attributes);
    std::vector<std::uint32_t> pixels;
    if (XImage* image = XGetImage(x, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap)) {
        for (int row = 0; row < attributes.height; ++row)
            for (int column = 0; column < attributes.width; ++column)
                pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, column, row)) & 0xFFFFFF);
        XDestroyImage(image);
    }
    return pixels;
}

void DesktopSession::requestClose(XWindow window)
{
    Display* x = static_cast<Display*>(x_);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    XSendEvent(x, window, False, NoEventMask, &event);
    XFlush(x);
}

DesktopSession::XWindow DesktopSession::findWindow(const std::string& title, int seconds)
{
    const CommandRun found = CommandRun::run("timeout " + std::to_string(seconds) +
                                             " xdotool search --sync --onlyvisible --name '^" + title + "$'");
    return found.status == 0 ? std::strtoul(found.out.c_str(), nullptr, 10) : 0;
}

bool DesktopSession::within(const std::function<bool()>& done, const std::function<void()>& step, int milliseconds)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        step();
    }
    return true;
}
