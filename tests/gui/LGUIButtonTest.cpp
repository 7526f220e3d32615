#include "gui/LGUIButton.h"
#include "gui/LGUICheckBox.h"
#include "gui/LGUIEvent.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

namespace {

const int Play = commandCode("PLAY");
const int Loop = commandCode("LOOP");

using LGUIButtonTest = GuiTestScreen;
using LGUICheckBoxTest = GuiTestScreen;

// A 40 x 20 button at (10, y) in the sink.
LGUIButton* add(GuiEventSink& sink, const char16_t* caption, int style, KESOBitmap* icon = nullptr, int y = 10)
{
    LGUIButton* button = new LGUIButton(caption, Play, 10, y, 40, 20, style, icon);
    sink.addChild(button);
    return button;
}

// A 9-pixel check box at (20, 30) captioned "AB", with id 7, in the sink.
LGUICheckBox* addBox(GuiEventSink& sink)
{
    LGUICheckBox* box = new LGUICheckBox(u"AB", Loop, 20, 30, 45, 9, false, 7);
    sink.addChild(box);
    return box;
}

} // namespace

TEST_F(LGUIButtonTest, PushButtonFiresOnceOnReleaseInsideAfterAPressInside)
{
    LGUIButton* button = add(sink, u"AB", 0);
    button->mouseDown(20, 20);
    button->dirty = false;
    button->mouseMove(60, 20, true);
    EXPECT_TRUE(!button->down && button->dirty);
    button->mouseMove(49, 29, true);
    EXPECT_TRUE(button->down && sink.events.empty());
    button->mouseUp(49, 29);
    button->mouseDown(20, 20);
    button->mouseUp(60, 20);
    EXPECT_FALSE(button->down || button->armed);
    button->mouseDown(50, 30); // the right and bottom edges are outside
    button->mouseMove(20, 20, true);
    EXPECT_FALSE(button->down);
    button->mouseUp(20, 20);
    EXPECT_EQ(sink.events, (std::vector<LGUIEvent>{{LGUIEvent::Clicked, Play, 0, 0, 0}}));
}

TEST_F(LGUIButtonTest, ToggleButtonFlipsAndFiresOnPressAndShowsTheStateItIsGiven)
{
    LGUIButton* button = add(sink, nullptr, LGUIButton::Toggle);
    button->mouseDown(20, 20);
    button->mouseUp(20, 20);
    button->mouseMove(60, 20, true);
    EXPECT_TRUE(button->down);
    button->mouseDown(20, 20);
    EXPECT_FALSE(button->down);
    EXPECT_EQ(sink.events, (std::vector<LGUIEvent>{{1, Play, 1, 0, 0}, {1, Play, 0, 0, 0}}));
    button->dirty = false;
    button->setValue(1);
    EXPECT_TRUE(button->armed && button->down && button->dirty);
    button->mouseDown(20, 20);
    EXPECT_EQ(sink.events.back().value, 0);
}

TEST_F(LGUIButtonTest, UpButtonDarkensDownwardsUnderABevelAndAPressedOneLightensAndMovesIn)
{
    add(sink, u"AB", 0)->draw(0, 0);
    add(sink, u"AB", 0, nullptr, 40)->mouseDown(20, 50);
    sink.draw(0, 0);
    const int up = 0x6416, pressed = 0x851C;
    expectPixels({{10, 10, 0xFFFF}, {11, 10, light565(up)}, {10, 11, light565(up)}, // bevel over the outline
                  {50, 15, 0x218A}, {20, 30, 0x218A}, {50, 30, 0x0000},
                  {15, 12, blend565(up, half565(up), (2 * 3276) >> 11)},
                  {28, 19, 0xFFFF}, {29, 24, 0x0000}, // caption centred on (30, 21), and its shadow
                  {10, 40, 0x0000}, {20, 40, 0x0000}, {20, 41, 0x0000}, {11, 50, 0x0000}, {50, 45, 0x0000},
                  {15, 42, blend565(pressed, light565(pressed), (2 * 3276) >> 11)}, {29, 50, 0xFFFF}});
    ASSERT_EQ(LScreenBitmap::dirtyCount(), 2);
    EXPECT_TRUE(LScreenBitmap::dirtyRect(0).w == 41 && LScreenBitmap::dirtyRect(0).h == 21);
}

TEST_F(LGUIButtonTest, IconsSitCentredAloneLeftOfTheCaptionOrBesideItAndTurnGreyWhenDisabled)
{
    KESOBitmap icon; // red, with a transparent centre
    icon.create(3, 3);
    icon.clear(0xF800);
    icon.setPixel(1, 1, TransparentColour);
    add(sink, nullptr, 0, &icon, 10);
    add(sink, u"AB", LGUIButton::Toggle | LGUIButton::IconLeft, &icon, 40);
    add(sink, u"AB", 0, &icon, 70);
    sink.draw(0, 0);
    expectPixels({{29, 20, 0xF800}, {31, 22, 0xF800},  // alone: centred on (30, 21)
                  {15, 50, 0xF800}, {21, 49, 0xFFFF},  // left: icon on (16, 51), caption on (23, 51)
                  {27, 80, 0xF800}, {31, 79, 0xFFFF}}); // beside: icon on (28, 81), caption on (33, 81)
    EXPECT_NE(at(30, 21), TransparentColour);
    for (LGUIWidget* w = sink.firstChild(); w != nullptr; w = w->next)
        static_cast<LGUIButton*>(w)->setEnabled(false);
    for (int y : {20, 50}) {
        sink.mouseDown(20, y);
        sink.mouseMove(21, y, true);
        sink.mouseUp(20, y);
    }
    EXPECT_TRUE(sink.events.empty());
    sink.invalidate();
    sink.draw(0, 0);
    const int greyRed = blend565(0x0000, 0x8410, 16);
    expectPixels({{29, 20, greyRed}, {15, 12, blend565(0x8410, half565(0x8410), (2 * 3276) >> 11)},
                  {50, 15, 0x2104}, {21, 49, 0xC618}, {22, 54, 0x630C}, // styled: a dark shadow
                  {27, 80, greyRed}, {31, 79, 0xC618}, {32, 84, 0xFFFF}});
}

TEST_F(LGUICheckBoxTest, AClickOnTheBoxOrCaptionTogglesAndReportsWhileSetValueOnlySetsTheState)
{
    LGUICheckBox* box = addBox(sink);
    EXPECT_EQ(box->w, 9 + 5 + 4);
    box->mouseDown(35, 33);
    EXPECT_TRUE(box->hot);
    box->mouseUp(36, 34);
    EXPECT_TRUE(box->checked && !box->hot);
    box->mouseDown(20, 30);
    box->mouseUp(20, 30);
    EXPECT_EQ(sink.events, (std::vector<LGUIEvent>{{0x103, Loop, 1, 7, 0}, {0x103, Loop, 0, 7, 0}}));
    box->dirty = false;
    box->setValue(1);
    EXPECT_TRUE(box->getValue() == 1 && !box->dirty && sink.events.size() == 2);
}

// The drag tracking is the buttons'; what is the box's own: a release outside cancels for good.
TEST_F(LGUICheckBoxTest, AReleaseOutsideCancelsForGood)
{
    LGUICheckBox* box = addBox(sink);
    box->mouseDown(25, 33);
    box->mouseMove(90, 33, true);
    EXPECT_FALSE(box->hot);
    box->mouseUp(90, 33);
    box->mouseDown(100, 100);
    box->mouseUp(25, 33);
    EXPECT_FALSE(box->checked);
    EXPECT_TRUE(sink.events.empty());
}

TEST_F(LGUICheckBoxTest, CheckedBoxColoursPlainAndWhilePressed)
{
    LGUICheckBox* box = addBox(sink);
    box->setValue(1);
    box->draw(0, 0);
    auto odd = [](int row, int rows) { return 1 + ((row * (65536 / rows)) >> 11); }; // weight of an odd row
    expectPixels({{20, 30, 0x4208}, {29, 39, 0x4208},
                  {21, 31, blend565(0xFFFF, 0xCE79, odd(1, 9))}, {28, 37, blend565(0xFFFF, 0xCE79, odd(7, 9))},
                  {22, 32, 0x0300}, {27, 37, blend565(0x0300, 0x0560, odd(5, 6))}, // the mark
                  {31, 33, 0xFFFF}, {32, 34, 0x0000}}); // caption at (20 + 9 + 2, 30 + (9 - 5) / 2 + 1)
    box->mouseDown(25, 33);
    box->draw(0, 0);
    expectPixels({{20, 30, 0x87F0}, {21, 31, blend565(0x8410, 0x630C, odd(1, 9))},
                  {27, 37, blend565(0x0300, 0x87F0, odd(5, 6))}});
}
