#pragma once

#include "foundation/KESODisplay.h"

#include <SDL.h>

#include <cstdint>
#include <deque>
#include <map>
#include <vector>

// The program window on SDL2: a resizable window whose renderer stretches a streaming texture of
// the frame over the whole client area, nearest-neighbour. Everything happens on the thread that
// opened the window; timers too, as deadlines of the wait for the next event (no timer thread
// waking the program to post a tick).
class SdlDisplay : public KESODisplay {
public:
    SdlDisplay() = default;
    SdlDisplay(const SdlDisplay&) = delete;
    SdlDisplay& operator=(const SdlDisplay&) = delete;
    ~SdlDisplay() override;

    bool open(const String& title, int width, int height) override;
    void close() override;
    bool isOpen() const override { return window_ != nullptr; }

    bool waitEvent(KESODisplayEvent& event, int timeoutMs) override;
    void present(const std::uint32_t* frame) override;

    Size clientSize() override;
    void setZoom(int zoom) override;
    Size usableScreenSize() override;

    void setTimer(int id, int milliseconds) override;
    void killTimer(int id) override;
    void captureMouse(bool captured) override;

    // The open program window, or null: dialogs and message boxes belong to it.
    static SDL_Window* programWindow() { return programWindow_; }
    // The open window's X11 window id, 0 without one or on another video driver; for tools
    // that drive the window from outside (the headless tests).
    static unsigned long programX11Window();

private:
    bool fail(const char* message);
    // False for the drivers SDL falls back on without a display, which show nothing.
    static bool isVisibleVideoDriver(const char* driver);
    // Turns one SDL event into what the program sees: none, one or (a key with its character)
    // two events, appended to pending_.
    void translate(SDL_Event& event);
    void push(KESODisplayEvent::Type type, int x = 0, int y = 0, int code = 0);
    // Queues a tick for every timer that is due; true if there was one.
    bool tickDueTimers(Uint64 now);

    int width_ = 0;
    int height_ = 0;
    bool videoStarted_ = false;
    SDL_Window* window_ = nullptr;
    SDL_Renderer* renderer_ = nullptr;
    SDL_Texture* texture_ = nullptr;
    std::deque<KESODisplayEvent> pending_;
    std::vector<String> dropped_; // the files of a drop that has not completed yet
    struct Timer {
        Uint64 interval = 0; // milliseconds
        Uint64 due = 0;      // SDL_GetTicks64 of the next tick
    };
    std::map<int, Timer> timers_; // by id
    std::vector<std::uint32_t> shown_; // the frame the window shows; empty when it must be drawn again
    Size shownSize_;                   // at this size

    static SDL_Window* programWindow_;
};
