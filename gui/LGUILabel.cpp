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
    // The size is measured in the interface font, with room to spare for the wider bold font.
    w = interfaceTextWidth(text) + 12;
    h = interfaceHeight() + 4;
    screen.invalidate(paintedArea(X, Y));
    dirty = false;
}

KESORect LGUILabel::paintedArea(int X, int Y) const
{
    // Where the bold text went on the screen, with its outline (one pixel all round) or its
    // shadow (one pixel right and down).
    const LFont* bold = LFont::font(LFont::Bold);
    int tw = bold->textWidth(text.c_str());
    int th = bold->height();
    if (style == 0)
        return {X - 1, Y - 1, tw + 2, th + 2};
    return {X - tw / 2, Y - th / 2, tw + 1, th + 1};
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
