#pragma once

#include "gui/LGUIWidget.h"

class KESOBitmap;

// A push button (fires on release, when both press and release are on it) or a toggle button
// (bit 0 of the style; flips and fires on press), with an optional caption and icon. Caption and
// icon are not owned: they are literals and cache bitmaps that outlive the button.
class LGUIButton : public LGUIWidget {
public:
    static constexpr int Toggle = 1;
    static constexpr int IconLeft = 2;

    LGUIButton(const char16_t* caption, int command, int x, int y, int w, int h, int style, KESOBitmap* icon);
    ~LGUIButton() override;

    void draw(int ox, int oy) override;
    void mouseDown(int px, int py) override;
    void mouseMove(int px, int py, bool buttonDown) override;
    void mouseUp(int px, int py) override;
    // Sets the toggle state, and with it a toggle button's pressed look.
    void setValue(int value) override;

    // Takes effect at the next redraw.
    void setEnabled(bool on) { enabled = on; }

    bool down = false;
    bool hover = false; // the pointer was inside at the last drag
    bool armed = false; // push: the press began here; toggle: the toggle state
    bool enabled = true;
    int style;
    const char16_t* caption;
    KESOBitmap* icon;

private:
    bool isToggle() const { return (style & Toggle) != 0; }
    void drawContent(int X, int Y, int s) const;
    void send(int value);
};
