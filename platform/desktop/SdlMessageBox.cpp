#include "platform/desktop/SdlMessageBox.h"

#include "platform/desktop/SdlDisplay.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>

namespace {

bool isSet(const char* variable)
{
    const char* value = std::getenv(variable);
    return value != nullptr && *value != 0;
}

} // namespace

void SdlMessageBox::show(const String& text, const String& caption)
{
    const std::string message = text.toUtf8();
    const std::string title = caption.toUtf8();
    std::fprintf(stderr, "%s: %s\n", title.c_str(), message.c_str());
    SDL_Window* window = SdlDisplay::programWindow();
    if (isSet("RUZI_MESSAGES_TO_STDERR") || (window == nullptr && !isSet("DISPLAY") && !isSet("WAYLAND_DISPLAY")))
        return;
    // The box must be clickable even when it interrupts a drag on the window.
    if (window != nullptr)
        SDL_CaptureMouse(SDL_FALSE);
    if (SDL_ShowSimpleMessageBox(0, title.c_str(), message.c_str(), window) != 0)
        std::fprintf(stderr, "SDL: %s\n", SDL_GetError());
}
