#pragma once

#include "gui/LGUIContainer.h"

#include <cstdint>

// A container that paints a shaded background of its base colour behind its children: a light
// band at the top, the plain colour in the lower half and a darker edge at the bottom.
class LGUIPanel : public LGUIContainer {
public:
    LGUIPanel(int x, int y, int w, int h, std::uint16_t colour);
    ~LGUIPanel() override;

    void draw(int ox, int oy) override;

    std::uint16_t colour;
};
