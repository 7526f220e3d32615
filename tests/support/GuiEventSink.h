#pragma once

#include "gui/LGUIContainer.h"
#include "gui/LGUIEvent.h"

#include <vector>

// A container that records the events its children send instead of passing them on.
class GuiEventSink : public LGUIContainer {
public:
    GuiEventSink(int x = 0, int y = 0, int w = 240, int h = 320) : LGUIContainer(x, y, w, h) {}
    void onEvent(const LGUIEvent* event) override { events.push_back(*event); }
    std::vector<LGUIEvent> events;
};

inline bool operator==(const LGUIEvent& a, const LGUIEvent& b)
{
    return a.type == b.type && a.command == b.command && a.value == b.value && a.id == b.id &&
           a.reserved == b.reserved;
}
