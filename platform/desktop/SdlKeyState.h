#pragma once

#include "foundation/KESOKeyState.h"

#include <SDL.h>

#include <array>
#include <atomic>
#include <thread>

// Which keys are held, kept from SDL's keyboard events as they enter the event queue, so that
// any thread can ask without waiting. The thread that makes the object is taken as the GUI
// thread: asked there, it first takes in what the window system has sent (without removing
// anything from the queue), so a key pressed during a long job on that thread is seen.
class SdlKeyState : public KESOKeyState {
public:
    SdlKeyState();
    ~SdlKeyState() override;
    SdlKeyState(const SdlKeyState&) = delete;
    SdlKeyState& operator=(const SdlKeyState&) = delete;

    bool isKeyDown(int virtualKey) override;

private:
    static int watch(void* self, SDL_Event* event);

    std::thread::id guiThread_;
    bool eventsStarted_ = false;
    // Per virtual key, how many of the physical keys that give it are held (both Control keys
    // give Control).
    std::array<std::atomic<int>, 256> held_{};
};
