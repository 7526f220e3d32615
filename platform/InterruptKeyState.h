#pragma once

#include "foundation/KESOKeyState.h"

// Key state for a program without a window: Ctrl-C in the terminal counts as Escape held, so that
// it aborts an export the way Escape does in the program. The first Ctrl-C is caught; a second one
// ends the process the usual way.
class InterruptKeyState : public KESOKeyState {
public:
    InterruptKeyState();
    ~InterruptKeyState() override;

    bool isKeyDown(int virtualKey) override;
};
