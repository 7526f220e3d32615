#include "gui/LGUIWidget.h"

#include "gui/LGUIContainer.h"
#include "gui/LScreenBitmap.h"

LGUIWidget::LGUIWidget(int x, int y, int w, int h) : x(x), y(y), w(w), h(h)
{
}

LGUIWidget::~LGUIWidget() = default;

void LGUIWidget::draw(int, int)
{
    LScreenBitmap::instance().fillRect(x, y, x + w, y + h, 0x0000);
    dirty = false;
}

void LGUIWidget::mouseDown(int, int) {}
void LGUIWidget::mouseMove(int, int, bool) {}
void LGUIWidget::mouseUp(int, int) {}
void LGUIWidget::keyDown(int) {}
void LGUIWidget::character(int) {}
void LGUIWidget::keyUp(int) {}

void LGUIWidget::invalidate()
{
    dirty = true;
}

void LGUIWidget::show()
{
    visible = true;
    invalidate();
}

void LGUIWidget::hide(bool invalidateParent)
{
    visible = false;
    if (parent != nullptr && invalidateParent)
        parent->invalidate();
}

bool LGUIWidget::trackDrag(int px, int py, bool& wasInside)
{
    bool inside = contains(px, py);
    if (inside != wasInside)
        invalidate();
    wasInside = inside;
    return inside;
}

int LGUIWidget::getId() const
{
    return id;
}

void LGUIWidget::setId(int newId)
{
    id = newId;
}

void LGUIWidget::setValue(int) {}

int LGUIWidget::getValue() const
{
    return 0;
}
