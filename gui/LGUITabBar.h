#pragma once

#include "foundation/KESOString.h"
#include "gui/LGUIWidget.h"

#include <cstdint>

// A strip of up to eight tabs, each switching to a page widget. A press on another tab hides the
// old page and shows the new one. Pages are not owned.
class LGUITabBar : public LGUIWidget {
public:
    static constexpr int MaxTabs = 8;

    LGUITabBar(int x, int y, int w, int h);
    ~LGUITabBar() override;

    // Ignored once eight tabs exist. Neither shows nor hides the page.
    void addTab(const String& label, LGUIWidget* page);
    void draw(int ox, int oy) override;
    void mouseDown(int px, int py) override;

    int tabCount() const { return tabCount_; }
    int selectedTab() const { return selectedTab_; }

private:
    struct Tab {
        LGUIWidget* page = nullptr;
        String label;
        int width = 0;
    };

    // A tab's outline; for tabs other than the selected one also its face and caption.
    void drawTab(int tx, int Y, const Tab& tab, bool selected) const;

    Tab tabs_[MaxTabs];
    int tabCount_ = 0;
    int selectedTab_ = 0;
};
