#include "gui/LGUILabel.h"
#include "gui/LGUIPanel.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

using LGUIPanelTest = GuiTestScreen;
using LGUILabelTest = GuiTestScreen;

TEST_F(LGUIPanelTest, ShadesFromLightTopToDarkBottom)
{
    const std::uint16_t pc = 0x3186;
    LGUIPanel panel(10, 20, 30, 40, pc);
    panel.draw(0, 0);
    EXPECT_EQ(at(10, 20), blend565(pc, light565(pc), 0));
    EXPECT_EQ(at(39, 39), blend565(pc, light565(pc), 1 + ((19 * (65536 / 22)) >> 11)));
    // Rows 20 ... 31 of the panel are the plain colour (painted over the end of the top band).
    EXPECT_EQ(at(10, 40), pc);
    EXPECT_EQ(at(39, 51), pc);
    EXPECT_EQ(at(10, 52), blend565(pc, half565(pc), 0));
    EXPECT_EQ(at(10, 59), blend565(pc, half565(pc), 1 + ((7 * 8192) >> 11)));
    EXPECT_EQ(at(40, 40), 0x0000);
    EXPECT_EQ(at(10, 60), 0x0000);
    EXPECT_FALSE(panel.dirty);
    ASSERT_EQ(LScreenBitmap::dirtyCount(), 1);
    EXPECT_EQ(LScreenBitmap::dirtyRect(0).w, 30);
}

TEST_F(LGUIPanelTest, TallPanelFadesBackToItsColourByTheMiddle)
{
    const std::uint16_t pc = 0x3186;
    LGUIPanel panel(0, 0, 240, 240, pc);
    panel.draw(0, 0);
    EXPECT_EQ(at(5, 22), blend565(light565(pc), pc, 0));
    EXPECT_EQ(at(5, 119), blend565(light565(pc), pc, 1 + ((97 * (65536 / 98)) >> 11)));
    EXPECT_EQ(at(5, 120), pc);
}

TEST_F(LGUIPanelTest, ChildrenAreDrawnEvenWhenThePanelIsClean)
{
    LGUIPanel panel(10, 10, 50, 50, 0x3186);
    LGUIPanel* inner = new LGUIPanel(5, 5, 10, 10, 0xF800);
    panel.addChild(inner);
    panel.dirty = false;
    panel.draw(0, 0);
    EXPECT_EQ(at(15, 17), blend565(0xF800, half565(0xF800), 1)); // the inner panel's bottom shading
    EXPECT_EQ(at(9, 9), 0x0000);
}

TEST_F(LGUILabelTest, OutlinedLabelUsesTheBoldFontAndSizesItselfWhenDrawn)
{
    LGUILabel label(u"AB", 15, 220, 0xFFFF, 0);
    EXPECT_EQ(label.w, 5); // the interface font's width
    EXPECT_EQ(label.h, 5);
    label.draw(0, 0);
    EXPECT_EQ(at(15, 220), 0xFFFF);
    EXPECT_EQ(at(14, 220), 0x2104); // the outline
    EXPECT_EQ(at(15, 219), 0x2104);
    EXPECT_EQ(at(16, 220), 0x2104); // between the glyphs
    EXPECT_EQ(label.w, 5 + 12);
    EXPECT_EQ(label.h, 5 + 4);
    ASSERT_EQ(LScreenBitmap::dirtyCount(), 1);
    EXPECT_EQ(LScreenBitmap::dirtyRect(0).x, 14);
    EXPECT_EQ(LScreenBitmap::dirtyRect(0).y, 219);
}

TEST_F(LGUILabelTest, CentredLabelHasAShadowAndMarksTheAreaAroundItsCentre)
{
    LGUIPanel panel(5, 10, 200, 100, 0x0000);
    LGUILabel* label = new LGUILabel(u"AB", 100, 50, 0xFFE0, 1);
    panel.addChild(label);
    panel.dirty = false;
    label->draw(5, 10);
    // "AB" is 5 wide and 5 high: its corner is at (105 - 2, 60 - 2).
    EXPECT_EQ(at(103, 58), 0xFFE0);
    EXPECT_EQ(at(104, 59), 0x2104);
    ASSERT_EQ(LScreenBitmap::dirtyCount(), 1);
    const KESORect& r = LScreenBitmap::dirtyRect(0);
    EXPECT_LE(r.x, 103);
    EXPECT_GE(r.x + r.w, 103 + 6);
    EXPECT_LE(r.y, 58);
    EXPECT_GE(r.y + r.h, 58 + 6);
}

TEST_F(LGUILabelTest, NewTextAsksTheParentToRepaint)
{
    LGUIPanel panel(0, 0, 100, 100, 0x3186);
    LGUILabel* label = new LGUILabel(u"A", 10, 10, 0xFFFF, 1);
    panel.addChild(label);
    panel.draw(0, 0);
    EXPECT_FALSE(panel.dirty);
    label->setText(u"(untitled)");
    EXPECT_TRUE(panel.dirty);
    EXPECT_TRUE(label->dirty);
    EXPECT_EQ(label->getText().toUtf8(), "(untitled)");
    EXPECT_EQ(label->w, 2 + 12); // "A" measured 2; sizes follow at the next draw
}
