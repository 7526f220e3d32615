#include "gui/LGUIButton.h"
#include "gui/LGUIGroupBox.h"
#include "gui/LGUIPanel.h"
#include "gui/LGUITabBar.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

// Panels, group boxes, labels and the tab bar: the widgets that frame and page the others.
using LGUIPanelTest = GuiTestScreen;

TEST_F(LGUIPanelTest, FramesDrawAsStored)
{
    // The export screen's checksum has a panel, a group box and a tab bar of one page. Here a group
    // box whose child is drawn again when only the child is dirty; a tab bar over two pages and one
    // without pages.
    LGUIGroupBox box(u"AB", 5, 15, 50, 30);
    LGUIButton* button = new LGUIButton(nullptr, 0, 10, 10, 5, 5, 0, nullptr);
    box.addChild(button);
    box.draw(0, 0);
    EXPECT_EQ(screenChecksum(), 0xB4B2BDFAu);
    screen().clear(0);
    button->invalidate();
    box.draw(0, 0);
    EXPECT_EQ(screenChecksum(), 0xAD2DCE97u);

    screen().clear(0);
    LGUIPanel first(0, 0, 240, 240, 0x3186), second(0, 0, 240, 240, 0x7800);
    LGUITabBar bar(0, 240, 240, 11), plain(0, 260, 240, 11);
    bar.addTab(u"AB", &first);
    bar.addTab(u"C", &second);
    plain.addTab(u"AB", nullptr);
    plain.addTab(u"C", nullptr);
    bar.draw(0, 0);
    plain.draw(0, 0);
    EXPECT_EQ(screenChecksum(240, 320), 0x3542C69Au);
}

TEST_F(LGUIPanelTest, OnlyAPressOnAnotherTabSwitchesPages)
{
    // Tabs "AB" (x 5 ... 14) and "C" (x 15 ... 23) at (0, 240) for two pages.
    LGUIPanel* first = new LGUIPanel(0, 0, 240, 240, 0x3186);
    LGUIPanel* second = new LGUIPanel(0, 0, 240, 240, 0x7800);
    LGUITabBar* bar = new LGUITabBar(0, 240, 240, 11);
    for (LGUIWidget* w : std::initializer_list<LGUIWidget*>{first, second, bar})
        sink.addChild(w);
    bar->addTab(u"AB", first);
    bar->addTab(u"C", second);
    second->hide(false);
    sink.dirty = bar->dirty = second->dirty = false;
    for (auto [x, y] : {std::pair{6, 245}, {20, 240}, {24, 245}, {4, 245}, {20, 252}})
        bar->mouseDown(x, y);
    EXPECT_EQ(bar->selectedTab(), 0);
    EXPECT_FALSE(bar->dirty);
    bar->mouseDown(20, 251); // one row below the bar still counts
    EXPECT_EQ(bar->selectedTab(), 1);
    EXPECT_FALSE(first->visible || sink.dirty);
    EXPECT_TRUE(second->visible && second->dirty && bar->dirty);
    for (int i = 0; i < 10; ++i)
        bar->addTab(u"X", nullptr);
    EXPECT_EQ(bar->tabCount(), LGUITabBar::MaxTabs);
}
