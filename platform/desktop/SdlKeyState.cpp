#include "platform/desktop/SdlKeyState.h"

#include "platform/desktop/SdlKeyMap.h"

SdlKeyState::SdlKeyState()
    : guiThread_(std::this_thread::get_id())
{
    // SDL's event queue, and with it the watch, must outlive any window opened and closed.
    eventsStarted_ = SDL_InitSubSystem(SDL_INIT_EVENTS) == 0;
    if (eventsStarted_)
        SDL_AddEventWatch(watch, this);
}

SdlKeyState::~SdlKeyState()
{
    if (eventsStarted_) {
        SDL_DelEventWatch(watch, this);
        SDL_QuitSubSystem(SDL_INIT_EVENTS);
    }
}

bool SdlKeyState::isKeyDown(int virtualKey)
{
    if (virtualKey < 0 || virtualKey >= static_cast<int>(held_.size()))
        return false;
    if (std::this_thread::get_id() == guiThread_ && SDL_WasInit(SDL_INIT_VIDEO) != 0)
        SDL_PumpEvents();
    return held_[virtualKey].load() > 0;
}

// Runs on the thread that queues the event, which is the GUI thread for keyboard events.
int SdlKeyState::watch(void* self, SDL_Event* event)
{
    if ((event->type != SDL_KEYDOWN && event->type != SDL_KEYUP) || event->key.repeat != 0)
        return 1;
    const int key = virtualKeyFor(event->key.keysym);
    if (key <= 0 || key >= 256)
        return 1;
    std::atomic<int>& held = static_cast<SdlKeyState*>(self)->held_[key];
    if (event->type == SDL_KEYDOWN) {
        ++held;
    } else {
        // A release whose press came before the window had the keyboard must not count below 0.
        int count = held.load();
        while (count > 0 && !held.compare_exchange_weak(count, count - 1)) {
        }
    }
    return 1;
}
