#include "gui/LGUIScreen.h"

#include "gui/LGUIListener.h"
#include "gui/LScreenBitmap.h"

LGUIScreen::LGUIScreen() : LGUIContainer(0, 0, LScreenBitmap::Width, LScreenBitmap::Height)
{
}

LGUIScreen::~LGUIScreen() = default;

void LGUIScreen::draw(int ox, int oy)
{
    // The screen paints nothing itself; marking its area makes a full repaint reach the window.
    if (dirty)
        LScreenBitmap::instance().invalidate({ox + x, oy + y, w, h});
    LGUIContainer::draw(ox, oy);
    dirty = false;
}

void LGUIScreen::mouseDown(int px, int py)
{
    LGUIContainer::mouseDown(px, py);
    redraw();
}

void LGUIScreen::mouseMove(int px, int py, bool buttonDown)
{
    LGUIContainer::mouseMove(px, py, buttonDown);
    redraw();
}

void LGUIScreen::mouseUp(int px, int py)
{
    LGUIContainer::mouseUp(px, py);
    redraw();
}

void LGUIScreen::onEvent(const LGUIEvent* event)
{
    if (listener != nullptr)
        listener->onEvent(event);
}

void LGUIScreen::redraw()
{
    draw(0, 0);
    LScreenBitmap::instance().present();
}
