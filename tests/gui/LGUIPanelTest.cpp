#include "gui/LGUIButton.h"
#include "gui/LGUIGroupBox.h"
#include "gui/LGUILabel.h"
#include "gui/LGUIPanel.h"
#include "gui/LGUITabBar.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

// Panels, group boxes and the tab bar: the widgets that frame and page the others.
using LGUIPanelTest = GuiTestScreen;

TEST_F(LGUIPanelTest, PanelShadesLightAtTheTopBackToItsColourByTheMiddleAndDarkAtTheBottom)
{
    const int pc = 0x3186;
    auto odd = [](int row, int rows) { return 1 + ((row * (65536 / rows)) >> 11); }; // weight of an odd row
    LGUIPanel panel(0, 0, 240, 240, pc);
    LGUIPanel* inner = new LGUIPanel(5, 5, 10, 10, 0xF800);
    panel.addChild(inner);
    panel.draw(0, 0);
    expectPixels({{20, 0, pc}, {20, 21, blend565(pc, light565(pc), odd(21, 22))}, {20, 22, light565(pc)},
                  {20, 119, blend565(light565(pc), pc, odd(97, 98))}, {20, 120, pc}, {20, 231, pc},
                  {20, 239, blend565(pc, half565(pc), odd(7, 8))}, {20, 240, 0},
                  {5, 7, blend565(0xF800, half565(0xF800), 1)}}); // a panel too low for its top shading
    ASSERT_EQ(LScreenBitmap::dirtyCount(), 2);
    EXPECT_EQ(LScreenBitmap::dirtyRect(0).w, 240);
}

TEST_F(LGUIPanelTest, GroupBoxFrameOpensForTheTitleAndChildrenAreDrawnEvenWhenItIsClean)
{
    LGUIGroupBox box(u"AB", 5, 15, 50, 30);
    LGUIButton* button = new LGUIButton(nullptr, 0, 10, 10, 5, 5, 0, nullptr);
    box.addChild(button);
    box.draw(0, 0);
    expectPixels({{7, 18, 0xFFFF}, {8, 18, 0x0000},   // the top edge stops for the title
                  {13, 18, 0x2104}, {14, 18, 0xFFFF}, // up to the end of the title's shadow
                  {55, 18, 0xFFFF}, {5, 17, 0x0000}, {5, 45, 0xFFFF}, {55, 45, 0xFFFF}, {56, 45, 0x0000},
                  {9, 15, 0xFFFF}, {10, 16, 0x2104}}); // the title and its shadow
    screen().clear(0);
    button->invalidate();
    box.draw(0, 0);
    expectPixels({{15, 25, 0xFFFF}, {5, 18, 0x0000}});
}

TEST_F(LGUIPanelTest, TabBarTakesThePagesColoursAndOnlyAPressOnAnotherTabSwitchesPages)
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
    bar->draw(0, 0);
    expectPixels({{0, 240, 0x0000}, {0, 242, half565(0xB61A)}, {0, 245, 0xB61A}, // shaded top rows
                  {4, 245, 0x0000}, {4, 250, 0xB61A},        // selected tab: two wider, rounded corner
                  {6, 248, half565(0x3186)},                 // in its page's half colour
                  {8, 241, 0xFFC0}, {9, 242, 0x0000},        // its caption, with shadow
                  {20, 248, 0x7800}, {22, 242, half565(0x7800)}, {23, 250, 0xB61A},
                  {18, 245, 0xFFFF}, {18, 242, half565(0xFFFF)}}); // other captions one row lower
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
    EXPECT_EQ(bar->tabCount(), 8);
    LGUITabBar plain(0, 0, 240, 11);
    plain.addTab(u"AB", nullptr);
    plain.addTab(u"C", nullptr);
    plain.draw(0, 0);
    expectPixels({{6, 8, 0x738E}, {20, 8, 0x738E}}); // without pages, in their own colour
}

TEST_F(LGUIPanelTest, LabelsMarkTheAreaTheirTextCoversAndRepaintTheirParentOnNewText)
{
    LGUIPanel panel(5, 10, 200, 100, 0x0000);
    LGUILabel* label = new LGUILabel(u"AB", 100, 50, 0xFFE0, 1); // centred, with a shadow
    panel.addChild(label);
    panel.dirty = false;
    label->draw(5, 10);
    // "AB" is 5 x 5 in the bold font; centred on (105, 60) inside the panel: its corner is (103, 58).
    expectPixels({{103, 58, 0xFFE0}, {104, 59, 0x2104}});
    ASSERT_EQ(LScreenBitmap::dirtyCount(), 1);
    const KESORect& r = LScreenBitmap::dirtyRect(0);
    EXPECT_TRUE(r.x <= 103 && r.x + r.w >= 109 && r.y <= 58 && r.y + r.h >= 64);
    label->setText(u"(untitled)"); // a label paints no background: its parent must
    EXPECT_TRUE(panel.dirty);
    EXPECT_EQ(label->getText().toUtf8(), "(untitled)");
}
