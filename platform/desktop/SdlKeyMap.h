#pragma once

#include <SDL.h>

// The Windows virtual-key code the program expects for an SDL key, or 0 for a key it has no use
// for. Letters follow the keyboard layout as they do on Windows; the digit row gives its digits
// whatever the layout, so Ctrl+1, 2 and 4 zoom on every keyboard.
int virtualKeyFor(const SDL_Keysym& key);
