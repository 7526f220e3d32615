#pragma once

#include "gui/LGUIContainer.h"

class LGUIListener;

// The root of a full-window widget tree. Its events go to a listener instead of a parent, and it
// redraws itself after every pointer event.
class LGUIScreen : public LGUIContainer {
public:
    LGUIScreen();
    ~LGUIScreen() override;

    void setListener(LGUIListener* newListener) { listener = newListener; }

    void draw(int ox, int oy) override;
    void mouseDown(int px, int py) override;
    void mouseMove(int px, int py, bool buttonDown) override;
    void mouseUp(int px, int py) override;
    void onEvent(const LGUIEvent* event) override;

    LGUIListener* listener = nullptr;

private:
    void redraw();
};
