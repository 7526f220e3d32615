#include "gui/LGUIButton.h"

#include "gui/LFont.h"
#include "gui/LGUIContainer.h"
#include "gui/LGUIEvent.h"
#include "gui/LScreenBitmap.h"

LGUIButton::LGUIButton(const char16_t* caption, int command, int x, int y, int w, int h, int style, KESOBitmap* icon)
    : LGUIWidget(x, y, w, h), style(style), caption(caption), icon(icon)
{
    this->command = command;
}

LGUIButton::~LGUIButton() = default;

void LGUIButton::draw(int ox, int oy)
{
    if (!dirty)
        return;
    LScreenBitmap& screen = LScreenBitmap::instance();
    int X = ox + x;
    int Y = oy + y;
    int s = down ? 1 : 0;
    std::uint16_t face = enabled ? (down ? 0x851C : 0x6416) : (down ? 0xA514 : 0x8410);
    std::uint16_t border = down ? 0x0000 : (enabled ? 0x218A : 0x2104);
    // Darkening downwards when up, lightening when pressed.
    screen.fillGradient(X, Y, X + w, Y + h, face, down ? light565(face) : half565(face));
    screen.drawRect(X, Y, X + w, Y + h, border);
    drawContent(X, Y, s);
    std::uint16_t bevel = down ? 0x0000 : light565(face);
    screen.drawHLine(X, Y + s, X + w, bevel);
    screen.drawVLine(X + s, Y + 1, Y + h, bevel);
    screen.setPixel(X, Y, down ? 0x0000 : 0xFFFF);
    screen.setPixel(X + w, Y + h, 0x0000);
    screen.invalidate({X, Y, w + 1, h + 1});
    dirty = false;
}

void LGUIButton::drawContent(int X, int Y, int s) const
{
    LScreenBitmap& screen = LScreenBitmap::instance();
    // The content moves one pixel right and down while pressed.
    int cx = X + w / 2 + s;
    int cy = Y + h / 2 + s + 1;
    if (icon == nullptr) {
        if (caption != nullptr)
            screen.drawTextCentred(caption, cx, cy, 0xFFFF, 0x0000, LFont::Interface);
        return;
    }
    RowOp iconOp = enabled ? copyRowKeyed : copyRowKeyedGrey;
    if (caption == nullptr) {
        icon->blitCentred(screen, cx, cy, iconOp, -1);
        return;
    }
    int iconWidth = icon->width();
    int tw = LFont::font(LFont::Interface)->textWidth(caption);
    std::uint16_t textColour = enabled ? 0xFFFF : 0xC618;
    std::uint16_t shadow = enabled ? 0x0000 : (style != 0 ? 0x630C : 0xFFFF);
    if (style == 0) {
        screen.drawTextCentred(caption, cx + iconWidth / 2 + 2, cy, textColour, shadow, LFont::Interface);
        icon->blitCentred(screen, cx - tw / 2, cy, iconOp, -1);
    } else {
        screen.drawTextCentred(caption, X + s + iconWidth + tw / 2 + 8, cy, textColour, shadow, LFont::Interface);
        icon->blitCentred(screen, X + s + iconWidth / 2 + 5, cy, iconOp, -1);
    }
}

void LGUIButton::mouseDown(int px, int py)
{
    if (!enabled || !contains(px, py))
        return;
    if (isToggle()) {
        armed = !armed;
        down = armed;
        send(armed ? 1 : 0);
    } else {
        hover = down = armed = true;
    }
    invalidate();
}

void LGUIButton::mouseMove(int px, int py, bool buttonDown)
{
    if (!enabled || isToggle() || !buttonDown || !armed)
        return;
    down = trackDrag(px, py, hover);
}

void LGUIButton::mouseUp(int px, int py)
{
    if (!enabled || isToggle())
        return;
    if (contains(px, py)) {
        if (armed)
            send(0);
        invalidate();
    }
    down = false;
    armed = false;
}

void LGUIButton::setValue(int value)
{
    armed = value != 0;
    // A toggle shows its state at once; otherwise its look would contradict it until pressed.
    if (isToggle())
        down = armed;
    invalidate();
}

void LGUIButton::send(int value)
{
    if (parent == nullptr)
        return;
    LGUIEvent event = {LGUIEvent::Clicked, command, value, 0, 0};
    parent->onEvent(&event);
}
