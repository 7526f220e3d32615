#include "gui/LGUILabel.h"

#include "gui/LFont.h"
#include "gui/LGUIContainer.h"
#include "gui/LScreenBitmap.h"

namespace {

constexpr std::uint16_t OutlineColour = 0x2104;

int interfaceTextWidth(const String& text)
{
    return LFont::font(LFont::Interface)->textWidth(text.c_str());
}

int interfaceHeight()
{
    return LFont::font(LFont::Interface)->height();
}

} // namespace

LGUILabel::LGUILabel(const String& text, int x, int y, std::uint16_t colour, int style)
    : LGUIWidget(x, y, interfaceTextWidth(text), interfaceHeight()), text(text), colour(colour), style(style)
{
}

LGUILabel::~LGUILabel() = default;

void LGUILabel::draw(int ox, int oy)
{
    if (!dirty)
        return;
    LScreenBitmap& screen = LScreenBitmap::instance();
    int X = ox + x;
    int Y = oy + y;
    if (style == 0)
        screen.drawTextOutline(text.c_str(), X, Y, colour, OutlineColour, LFont::Bold);
    else
        screen.drawTextCentred(text.c_str(), X, Y, colour, OutlineColour, LFont::Bold);
    // The size leaves room for the bold font, which runs wider than the interface font it is
    // measured with.
    w = interfaceTextWidth(text) + 12;
    h = interfaceHeight() + 4;
    // Mark where the text went on the screen: around the centre for a centred label, and one
    // pixel up and left for the outline.
    if (style == 0)
        screen.invalidate({X - 1, Y - 1, w, h});
    else
        screen.invalidate({X - w / 2, Y - h / 2, w, h});
    dirty = false;
}

void LGUILabel::setText(const String& newText)
{
    text = newText;
    if (parent != nullptr)
        parent->invalidate();
    invalidate();
}

String LGUILabel::getText() const
{
    return text;
}
