#include "gui/LGUIGroupBox.h"

#include "gui/LFont.h"
#include "gui/LScreenBitmap.h"

LGUIGroupBox::LGUIGroupBox(const char16_t* title, int x, int y, int w, int h)
    : LGUIContainer(x, y, w, h), title(title)
{
}

LGUIGroupBox::~LGUIGroupBox() = default;

void LGUIGroupBox::draw(int ox, int oy)
{
    if (dirty) {
        LScreenBitmap& screen = LScreenBitmap::instance();
        int X = ox + x;
        int Y = oy + y;
        int R = X + w;
        int B = Y + h;
        int T = Y + 3; // the top edge runs through the middle of the title
        int tw = LFont::font(LFont::Bold)->textWidth(title);
        screen.drawHLine(X, T, X + 3, 0xFFFF);
        screen.drawHLine(X, B, R, 0xFFFF);
        screen.drawVLine(X, T, B, 0xFFFF);
        screen.drawVLine(R, T, B + 1, 0xFFFF);
        screen.drawHLine(X + 4 + tw, T, R, 0xFFFF);
        screen.drawTextShadow(title, X + 4, Y, 0xFFFF, 0x2104, LFont::Bold);
        screen.invalidate({X, Y, w + 1, h + 1});
        dirty = false;
    }
    LGUIContainer::draw(ox, oy);
}
