#include "gui/LGUIPanel.h"
#include "gui/LGUITabBar.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

namespace {

// A bar at (0, 240) with the tabs "AB" (width 10, x 5 ... 14) and "C" (width 9, x 15 ... 23).
class LGUITabBarTest : public GuiTestScreen {
protected:
    void SetUp() override
    {
        GuiTestScreen::SetUp();
        root.addChild(first);
        root.addChild(second);
        root.addChild(bar);
        bar->addTab(u"AB", first);
        bar->addTab(u"C", second);
        second->hide(false);
    }

    LGUIContainer root{0, 0, 240, 320};
    LGUIPanel* first = new LGUIPanel(0, 0, 240, 240, 0x3186);
    LGUIPanel* second = new LGUIPanel(0, 0, 240, 240, 0x7800);
    LGUITabBar* bar = new LGUITabBar(0, 240, 240, 11);
};

} // namespace

TEST_F(LGUITabBarTest, AtMostEightTabs)
{
    for (int i = 0; i < 10; ++i)
        bar->addTab(u"X", nullptr);
    EXPECT_EQ(bar->tabCount(), 8);
}

TEST_F(LGUITabBarTest, PressOnAnotherTabSwitchesPages)
{
    root.dirty = false;
    bar->dirty = false;
    bar->mouseDown(20, 245);
    EXPECT_EQ(bar->selectedTab(), 1);
    EXPECT_FALSE(first->visible);
    EXPECT_TRUE(second->visible);
    EXPECT_TRUE(second->dirty);
    EXPECT_TRUE(bar->dirty);
    EXPECT_FALSE(root.dirty); // the old page goes without repainting its parent
}

TEST_F(LGUITabBarTest, PressesOnTheSelectedTabOrOffTheBarChangeNothing)
{
    bar->dirty = false;
    bar->mouseDown(6, 245);      // the selected tab
    bar->mouseDown(20, 240);     // the bar's top row
    bar->mouseDown(24, 245);     // right of the last tab
    bar->mouseDown(4, 245);      // left of the first
    EXPECT_EQ(bar->selectedTab(), 0);
    EXPECT_FALSE(bar->dirty);
    bar->mouseDown(20, 251);     // one row below the bar still counts
    EXPECT_EQ(bar->selectedTab(), 1);
}

TEST_F(LGUITabBarTest, Colours)
{
    bar->draw(0, 0);
    EXPECT_EQ(at(0, 240), 0x0000);
    EXPECT_EQ(at(0, 242), half565(0xB61A));   // shaded top rows
    EXPECT_EQ(at(0, 245), 0xB61A);
    EXPECT_EQ(at(4, 245), 0x0000);            // the selected tab's outline, two pixels wider
    EXPECT_EQ(at(4, 250), 0xB61A);            // rounded corner
    EXPECT_EQ(at(6, 248), half565(0x3186));   // the selected tab in its page's half colour
    EXPECT_EQ(at(8, 241), 0xFFC0);            // its caption
    EXPECT_EQ(at(9, 242), 0x0000);            // and shadow
    EXPECT_EQ(at(20, 248), 0x7800);           // another tab in its page's colour
    EXPECT_EQ(at(22, 242), half565(0x7800));
    EXPECT_EQ(at(18, 245), 0xFFFF);           // its caption one row lower
    EXPECT_EQ(at(18, 242), half565(0xFFFF));
    EXPECT_EQ(at(23, 250), 0xB61A);
    EXPECT_FALSE(bar->dirty);
}

TEST_F(LGUITabBarTest, TabsWithoutPanelsUseTheirOwnColours)
{
    LGUITabBar plain(0, 0, 240, 11);
    plain.addTab(u"AB", nullptr);
    plain.addTab(u"C", nullptr);
    plain.draw(0, 0);
    EXPECT_EQ(at(6, 8), 0x738E);  // the selected tab, drawn again in the plain colour
    EXPECT_EQ(at(20, 8), 0x738E);
    plain.mouseDown(20, 5);
    plain.draw(0, 0);
    EXPECT_EQ(at(8, 8), 0x738E);
    EXPECT_EQ(at(14, 8), 0x0000); // the right edge of the now plain first tab
}
