#include "platform/desktop/SdlDisplay.h"

#include "foundation/KESOServices.h"
#include "platform/desktop/SdlKeyMap.h"

#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

SDL_Window* SdlDisplay::programWindow_ = nullptr;

namespace {

// Xlib's own handler ends the process with exit(), whose static destructors then close the window
// on the dead connection and spin there for ever. Without its display the program can only end.
int displayLost(Display*)
{
    std::fputs("ruzi-zevivuvo: the connection to the display was lost\n", stderr);
    std::_Exit(1);
}

// A request on a window that went away meanwhile (the window closing while the window manager
// or SDL still speaks of it) is harmless, but Xlib's own handler ends the program for it.
int displayError(Display*, XErrorEvent* error)
{
    std::fprintf(stderr, "ruzi-zevivuvo: X error %d of request %d ignored\n", error->error_code, error->request_code);
    return 0;
}

} // namespace

SdlDisplay::~SdlDisplay()
{
    close();
}

bool SdlDisplay::open(const String& title, int width, int height)
{
    close();
    width_ = width;
    height_ = height;
    // A desktop program, not a full-screen game: let the compositor go on compositing.
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // The click that activates the window is a click on the program too, as on the original
    // platform: SDL would drop a press that comes right after the window got the focus.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // Where the software renderer draws, its picture goes to the window as it is, not through an
    // OpenGL texture SDL would otherwise make for it.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Before SDL's video starts: SDL keeps the handlers it finds and puts them back when it closes
    // its connections, where errors still pending (a wake-up sent to the window that just closed)
    // arrive. Xlib's own handlers there ended a clean close with a crash.
    XSetIOErrorHandler(displayLost);
    XSetErrorHandler(displayError);
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        return fail("Error loading ddraw.dll");
    videoStarted_ = true;
    // Without a display SDL falls back on drivers that show nothing (offscreen, dummy): a window
    // nobody can see would run on for ever. Those count only when asked for by name.
    if (!isVisibleVideoDriver(SDL_GetCurrentVideoDriver()) && SDL_getenv("SDL_VIDEODRIVER") == nullptr) {
        SDL_SetError("no display to show a window on (neither DISPLAY nor WAYLAND_DISPLAY is set?)");
        return fail("Error loading ddraw.dll");
    }
    window_ = SDL_CreateWindow(title.toUtf8().c_str(), SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width, height,
                               SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
    if (window_ == nullptr)
        return fail("Error getting address of DirectDrawCreate");
    renderer_ = SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr)
        return fail("DirectDrawCreate returned an error");
    texture_ = SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, width, height);
    if (texture_ == nullptr)
        return fail("DirectDrawCreate returned an error");
    // The frame's top byte is 0, not an opacity.
    SDL_SetTextureBlendMode(texture_, SDL_BLENDMODE_NONE);
    SDL_SetTextureScaleMode(texture_, SDL_ScaleModeNearest);
    SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
    SDL_RenderClear(renderer_);
    SDL_RenderPresent(renderer_);
    programWindow_ = window_;
    return true;
}

unsigned long SdlDisplay::programX11Window()
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (programWindow_ == nullptr || !SDL_GetWindowWMInfo(programWindow_, &info) || info.subsystem != SDL_SYSWM_X11)
        return 0;
    return info.info.x11.window;
}

bool SdlDisplay::isVisibleVideoDriver(const char* driver)
{
    return driver != nullptr && SDL_strcmp(driver, "offscreen") != 0 && SDL_strcmp(driver, "dummy") != 0 &&
           SDL_strcmp(driver, "evdev") != 0;
}

bool SdlDisplay::fail(const char* message)
{
    std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
    close();
    KESOServices::instance().showMessage(String::fromUtf8(message), u"DDraw");
    return false;
}

void SdlDisplay::close()
{
    timers_.clear();
    if (window_ != nullptr)
        SDL_CaptureMouse(SDL_FALSE);
    if (texture_ != nullptr)
        SDL_DestroyTexture(texture_);
    if (renderer_ != nullptr)
        SDL_DestroyRenderer(renderer_);
    if (window_ != nullptr)
        SDL_DestroyWindow(window_);
    texture_ = nullptr;
    renderer_ = nullptr;
    if (programWindow_ == window_)
        programWindow_ = nullptr;
    window_ = nullptr;
    if (videoStarted_) {
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        videoStarted_ = false;
        // The event queue outlives the video while others keep SDL's events going (the key
        // state): nothing of this window may reach a window opened later.
        SDL_Event event;
        while (SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1) {
            if (event.type == SDL_DROPFILE || event.type == SDL_DROPTEXT)
                SDL_free(event.drop.file);
        }
    }
    pending_.clear();
    dropped_.clear();
    shown_.clear();
}

bool SdlDisplay::waitEvent(KESODisplayEvent& event, int timeoutMs)
{
    if (!isOpen())
        return false;
    const Uint64 deadline = SDL_GetTicks64() + static_cast<Uint64>(std::max(timeoutMs, 0));
    while (pending_.empty()) {
        const Uint64 now = SDL_GetTicks64();
        if (tickDueTimers(now))
            break;
        if (timeoutMs >= 0 && now >= deadline)
            return false;
        // Until the caller's deadline or the next timer tick, whichever comes first.
        Uint64 until = timeoutMs >= 0 ? deadline : UINT64_MAX;
        for (const auto& timer : timers_)
            until = std::min(until, timer.second.due);
        const int wait = until == UINT64_MAX ? -1 : static_cast<int>(std::min<Uint64>(until - now, INT32_MAX));
        SDL_Event sdlEvent;
        if (SDL_WaitEventTimeout(&sdlEvent, wait) != 0)
            translate(sdlEvent);
    }
    event = std::move(pending_.front());
    pending_.pop_front();
    return true;
}

bool SdlDisplay::tickDueTimers(Uint64 now)
{
    bool ticked = false;
    for (auto& [id, timer] : timers_) {
        if (timer.due > now)
            continue;
        push(KESODisplayEvent::Timer, 0, 0, id);
        timer.due += timer.interval;
        if (timer.due <= now) // a GUI thread that fell behind gets one tick, not a backlog
            timer.due = now + timer.interval;
        ticked = true;
    }
    return ticked;
}

void SdlDisplay::push(KESODisplayEvent::Type type, int x, int y, int code)
{
    KESODisplayEvent event;
    event.type = type;
    event.x = x;
    event.y = y;
    event.code = code;
    pending_.push_back(std::move(event));
}

void SdlDisplay::translate(SDL_Event& event)
{
    switch (event.type) {
    case SDL_QUIT: // the last window closed, or an interrupt from the terminal
        push(KESODisplayEvent::CloseRequest);
        break;
    case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE)
            push(KESODisplayEvent::CloseRequest);
        else if (event.window.event == SDL_WINDOWEVENT_EXPOSED || event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
            shown_.clear(); // the window's picture has to be drawn again
            push(KESODisplayEvent::Exposed);
        }
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const int key = virtualKeyFor(event.key.keysym);
        if (key == 0)
            break;
        const bool down = event.type == SDL_KEYDOWN;
        push(down ? KESODisplayEvent::KeyDown : KESODisplayEvent::KeyUp, 0, 0, key);
        pending_.back().repeat = event.key.repeat != 0;
        pending_.back().control = (event.key.keysym.mod & KMOD_CTRL) != 0;
        // Text input carries printable characters only; these keys type control characters.
        const bool typesControlCharacter = key == 0x08 || key == 0x09 || key == 0x0D || key == 0x1B;
        if (down && typesControlCharacter && !pending_.back().control)
            push(KESODisplayEvent::Character, 0, 0, key);
        break;
    }
    case SDL_TEXTINPUT: {
        const String text = String::fromUtf8(event.text.text);
        for (const char16_t* c = text.c_str(); *c != 0; ++c)
            push(KESODisplayEvent::Character, 0, 0, *c);
        break;
    }
    case SDL_MOUSEMOTION: {
        // A move already followed by another is of no interest.
        SDL_Event next;
        if (SDL_PeepEvents(&next, 1, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) == 1 && next.type == SDL_MOUSEMOTION)
            break;
        push(KESODisplayEvent::MouseMove, event.motion.x, event.motion.y);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
        if (event.button.button == SDL_BUTTON_LEFT)
            push(event.type == SDL_MOUSEBUTTONDOWN ? KESODisplayEvent::MouseDown : KESODisplayEvent::MouseUp,
                 event.button.x, event.button.y);
        break;
    case SDL_DROPBEGIN:
        dropped_.clear();
        break;
    case SDL_DROPFILE:
        dropped_.push_back(String::fromUtf8(event.drop.file));
        SDL_free(event.drop.file);
        break;
    case SDL_DROPTEXT:
        SDL_free(event.drop.file);
        break;
    case SDL_DROPCOMPLETE:
        if (!dropped_.empty()) {
            push(KESODisplayEvent::FilesDropped);
            pending_.back().files.swap(dropped_);
        }
        dropped_.clear();
        break;
    default:
        break;
    }
}

void SdlDisplay::present(const std::uint32_t* frame)
{
    if (renderer_ == nullptr || frame == nullptr)
        return;
    // The program presents on every turn of its loop, mostly the very frame the window shows:
    // comparing costs far less than converting, scaling and sending it to the display again.
    const std::size_t pixels = static_cast<std::size_t>(width_) * height_;
    Size output;
    SDL_GetRendererOutputSize(renderer_, &output.width, &output.height);
    if (output.width == shownSize_.width && output.height == shownSize_.height && shown_.size() == pixels &&
        std::equal(frame, frame + pixels, shown_.begin()))
        return;
    shown_.assign(frame, frame + pixels);
    shownSize_ = output;
    SDL_UpdateTexture(texture_, nullptr, frame, width_ * static_cast<int>(sizeof(std::uint32_t)));
    SDL_RenderCopy(renderer_, texture_, nullptr, nullptr);
    SDL_RenderPresent(renderer_);
}

KESODisplay::Size SdlDisplay::clientSize()
{
    if (window_ == nullptr || (SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0)
        return {};
    Size size;
    SDL_GetWindowSize(window_, &size.width, &size.height);
    return size;
}

void SdlDisplay::setZoom(int zoom)
{
    if (window_ == nullptr || zoom < 1)
        return;
    if ((SDL_GetWindowFlags(window_) & SDL_WINDOW_MAXIMIZED) != 0)
        SDL_RestoreWindow(window_);
    SDL_SetWindowSize(window_, width_ * zoom, height_ * zoom);
}

KESODisplay::Size SdlDisplay::usableScreenSize()
{
    // Before the window opens the question is about the first screen; SDL's video is started
    // just for the answer.
    const bool started = window_ == nullptr && SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    const int index = window_ != nullptr ? SDL_GetWindowDisplayIndex(window_) : 0;
    SDL_Rect bounds{};
    Size size;
    if ((window_ != nullptr || started) && index >= 0 && SDL_GetDisplayUsableBounds(index, &bounds) == 0)
        size = {bounds.w, bounds.h};
    if (started)
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    return size;
}

void SdlDisplay::setTimer(int id, int milliseconds)
{
    if (window_ == nullptr)
        return;
    const Uint64 interval = static_cast<Uint64>(std::max(milliseconds, 1));
    timers_[id] = {interval, SDL_GetTicks64() + interval};
}

void SdlDisplay::killTimer(int id)
{
    timers_.erase(id);
    // A tick already queued must not arrive after the kill.
    std::erase_if(pending_, [id](const KESODisplayEvent& e) { return e.type == KESODisplayEvent::Timer && e.code == id; });
}

void SdlDisplay::captureMouse(bool captured)
{
    if (window_ != nullptr)
        SDL_CaptureMouse(captured ? SDL_TRUE : SDL_FALSE);
}
