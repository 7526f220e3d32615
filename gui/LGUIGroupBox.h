#pragma once

#include "gui/LGUIContainer.h"

// A white frame with a bold title set into its top edge, around a group of widgets. The title is
// not owned.
class LGUIGroupBox : public LGUIContainer {
public:
    LGUIGroupBox(const char16_t* title, int x, int y, int w, int h);
    ~LGUIGroupBox() override;

    void draw(int ox, int oy) override;

    const char16_t* title;
};
