#include "tests/desktop/DesktopSession.h"

#include "tests/support/CommandRun.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>

namespace {

Display* x11(void* connection)
{
    return static_cast<Display*>(connection);
}

} // namespace

void DesktopSession::SetUp()
{
    xvfb_ = std::make_unique<XvfbServer>();
    if (!xvfb_->started())
        GTEST_SKIP() << "no X server for the window tests: " << xvfb_->why();
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
        XCloseDisplay(x11(x_));
    xvfb_.reset();
}

void DesktopSession::geometry(XWindow window, int& width, int& height)
{
    XWindowAttributes attributes{};
    XGetWindowAttributes(x11(x_), window, &attributes);
    width = attributes.width;
    height = attributes.height;
}

void DesktopSession::origin(XWindow window, int& x, int& y)
{
    ::Window child;
    XTranslateCoordinates(x11(x_), window, DefaultRootWindow(x11(x_)), 0, 0, &x, &y, &child);
}

std::vector<std::uint32_t> DesktopSession::screenshot(XWindow window)
{
    int width = 0;
    int height = 0;
    geometry(window, width, height);
    std::vector<std::uint32_t> pixels;
    if (XImage* image = XGetImage(x11(x_), window, 0, 0, width, height, AllPlanes, ZPixmap)) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x)
                pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
        }
        XDestroyImage(image);
    }
    return pixels;
}

void DesktopSession::requestClose(XWindow window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x11(x_), "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x11(x_), "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x11(x_), window, False, NoEventMask, &event);
    XFlush(x11(x_));
}

bool DesktopSession::xdotool(const std::string& arguments)
{
    return CommandRun::run("xdotool " + arguments).status == 0;
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
