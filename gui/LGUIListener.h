#pragma once

struct LGUIEvent;

// Receives the events that reach the top of a screen's widget tree (the application).
class LGUIListener {
public:
    virtual ~LGUIListener() = default;
    virtual void onEvent(const LGUIEvent* event) = 0;
};
