#pragma once

#include "foundation/KESOString.h"
#include "gui/KESORect.h"
#include "gui/LGUIWidget.h"

#include <cstdint>

// A line of text in the bold font: outlined from its top-left corner (style 0) or centred on its
// position with a shadow (any other style). It paints no background, so it asks its parent to
// repaint when its text changes.
class LGUILabel : public LGUIWidget {
public:
    LGUILabel(const String& text, int x, int y, std::uint16_t colour, int style);
    ~LGUILabel() override;

    void draw(int ox, int oy) override;
    virtual void setText(const String& newText);
    virtual String getText() const;

    String text;
    std::uint16_t colour;
    int style;

private:
    KESORect paintedArea(int X, int Y) const;
};
