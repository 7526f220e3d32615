#include "tests/desktop/DesktopSession.h"

#include "tests/support/CommandRun.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

Display* display(void* x)
{
    return static_cast<Display*>(x);
}

} // namespace

void DesktopSession::SetUp()
{
    xvfb_ = std::make_unique<XvfbServer>();
    if (!xvfb_->started())
        GTEST_SKIP() << "no X server for the window tests: " << xvfb_->why();
    // Read when SDL's video starts, so they are set before any test starts it.
    setenv("SDL_VIDEODRIVER", "x11", 1);
    setenv("SDL_RENDER_DRIVER", "software", 1);
    setenv("RUZI_MESSAGES_TO_STDERR", "1", 1);
    x_ = XOpenDisplay(xvfb_->display().c_str());
    ASSERT_NE(x_, nullptr) << "cannot talk to " << xvfb_->display();
}

void DesktopSession::TearDown()
{
    if (x_ != nullptr)
        XCloseDisplay(display(x_));
    x_ = nullptr;
    xvfb_.reset();
}

DesktopSession::XWindow DesktopSession::x11Window(SDL_Window* window)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return 0;
    return info.info.x11.window;
}

void DesktopSession::geometry(XWindow window, int& width, int& height)
{
    XWindowAttributes attributes{};
    XGetWindowAttributes(display(x_), window, &attributes);
    width = attributes.width;
    height = attributes.height;
}

void DesktopSession::origin(XWindow window, int& x, int& y)
{
    ::Window child;
    XTranslateCoordinates(display(x_), window, DefaultRootWindow(display(x_)), 0, 0, &x, &y, &child);
}

std::vector<std::uint32_t> DesktopSession::screenshot(XWindow window)
{
    int width = 0;
    int height = 0;
    geometry(window, width, height);
    std::vector<std::uint32_t> pixels;
    XImage* image = XGetImage(display(x_), window, 0, 0, width, height, AllPlanes, ZPixmap);
    if (image == nullptr)
        return pixels;
    pixels.reserve(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
    }
    XDestroyImage(image);
    return pixels;
}

void DesktopSession::requestClose(XWindow window)
{
    Display* x = display(x_);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(x, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(x, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x, window, False, NoEventMask, &event);
    XFlush(x);
}

void DesktopSession::focus(XWindow window)
{
    ASSERT_TRUE(xdotool("windowfocus --sync " + std::to_string(window)));
}

bool DesktopSession::xdotool(const std::string& arguments)
{
    return CommandRun::run("xdotool " + arguments).status == 0;
}

bool DesktopSession::within(const std::function<bool()>& done, const std::function<void()>& step)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        step();
    }
    return true;
}
