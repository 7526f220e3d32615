#pragma once

#include "gui/LGUIWidget.h"

// A square box with a green mark when checked and a caption to its right; the whole widget is the
// hit area. It toggles when a press that began on it is released on it. The caption is not owned.
class LGUICheckBox : public LGUIWidget {
public:
    // The width follows the caption: its width in the interface font, plus the box, plus 4.
    LGUICheckBox(const char16_t* text, int command, int x, int y, int w, int h, bool checked, int id);
    ~LGUICheckBox() override;

    void draw(int ox, int oy) override;
    void mouseDown(int px, int py) override;
    void mouseMove(int px, int py, bool buttonDown) override;
    void mouseUp(int px, int py) override;
    // Takes effect at the next redraw.
    void setValue(int value) override;
    int getValue() const override;

    bool checked;
    bool hot = false;       // pressed with the pointer inside: drawn highlighted
    bool wasInside = false; // the pointer was inside at the last drag
    bool armed = false;     // the current press began here
    const char16_t* text;
};
