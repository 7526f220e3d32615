#include "gui/LGUIPanel.h"

#include "gui/LScreenBitmap.h"

LGUIPanel::LGUIPanel(int x, int y, int w, int h, std::uint16_t colour) : LGUIContainer(x, y, w, h), colour(colour)
{
}

LGUIPanel::~LGUIPanel() = default;

void LGUIPanel::draw(int ox, int oy)
{
    if (dirty) {
        LScreenBitmap& screen = LScreenBitmap::instance();
        int X = ox + x;
        int Y = oy + y;
        int R = X + w;
        screen.fillGradient(X, Y, R, Y + 22, colour, light565(colour));
        screen.fillGradient(X, Y + 22, R, Y + h / 2, light565(colour), colour);
        screen.fillRect(X, Y + h / 2, R, Y + h - 8, colour);
        screen.fillGradient(X, Y + h - 8, R, Y + h, colour, half565(colour));
        screen.invalidate({X, Y, w, h});
        dirty = false;
    }
    LGUIContainer::draw(ox, oy);
}
