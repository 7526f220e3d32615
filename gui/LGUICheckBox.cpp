#include "gui/LGUICheckBox.h"

#include "gui/LFont.h"
#include "gui/LGUIContainer.h"
#include "gui/LGUIEvent.h"
#include "gui/LScreenBitmap.h"

LGUICheckBox::LGUICheckBox(const char16_t* text, int command, int x, int y, int, int h, bool checked, int id)
    : LGUIWidget(x, y, LFont::font(LFont::Interface)->textWidth(text) + h + 4, h), checked(checked), text(text)
{
    this->command = command;
    this->id = id;
}

LGUICheckBox::~LGUICheckBox() = default;

void LGUICheckBox::draw(int ox, int oy)
{
    if (!dirty)
        return;
    LScreenBitmap& screen = LScreenBitmap::instance();
    int X = ox + x;
    int Y = oy + y;
    screen.fillGradient(X, Y, X + h, Y + h, hot ? 0x8410 : 0xFFFF, hot ? 0x630C : 0xCE79);
    if (checked)
        screen.fillGradient(X + 2, Y + 2, X + h - 1, Y + h - 1, 0x0300, hot ? 0x87F0 : 0x0560);
    screen.drawRect(X, Y, X + h, Y + h, hot ? 0x87F0 : 0x4208);
    int textHeight = LFont::font(LFont::Interface)->height();
    screen.drawTextShadow(text, X + h + 2, Y + (h - textHeight) / 2 + 1, 0xFFFF, 0x0000, LFont::Interface);
    screen.invalidate({X, Y, w, h + 1});
    dirty = false;
}

void LGUICheckBox::mouseDown(int px, int py)
{
    if (!contains(px, py))
        return;
    hot = true;
    armed = true;
    wasInside = false;
    invalidate();
}

void LGUICheckBox::mouseMove(int px, int py, bool buttonDown)
{
    if (!buttonDown || !armed)
        return;
    hot = trackDrag(px, py, wasInside);
}

void LGUICheckBox::mouseUp(int px, int py)
{
    hot = false;
    if (!armed)
        return;
    invalidate();
    // Any release ends the press: one that ends outside cancels it, so a later press elsewhere
    // cannot toggle the box by being released over it.
    armed = false;
    if (!contains(px, py))
        return;
    checked = !checked;
    if (parent != nullptr) {
        LGUIEvent event = {LGUIEvent::CheckBoxChanged, command, checked ? 1 : 0, id, 0};
        parent->onEvent(&event);
    }
}

void LGUICheckBox::setValue(int value)
{
    checked = value != 0;
}

int LGUICheckBox::getValue() const
{
    return checked ? 1 : 0;
}
