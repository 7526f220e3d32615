#pragma once

#include "foundation/KESOKeyState.h"

// Key state for a program without a window: Ctrl-C in the terminal, SIGTERM and SIGHUP count as
// Escape held, so that they abort an export the way Escape does in the program. The first of each is
// caught; a second one ends the process the usual way.
class InterruptKeyState : public KESOKeyState {
public:
    InterruptKeyState();
    ~InterruptKeyState() override;

    bool isKeyDown(int virtualKey) override;
};
