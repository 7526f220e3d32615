#include "gui/LGUIButton.h"
#include "gui/LGUICheckBox.h"
#include "gui/LGUIEvent.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

const int Play = commandCode("PLAY");
const int Loop = commandCode("LOOP");

using LGUIButtonTest = GuiTestScreen;

// A 40 x 20 button at (10, y) in the sink.
LGUIButton* add(GuiEventSink& sink, const char16_t* caption, int style, KESOBitmap* icon = nullptr, int y = 10)
{
    LGUIButton* button = new LGUIButton(caption, Play, 10, y, 40, 20, style, icon);
    sink.addChild(button);
    return button;
}

enum Kind { Push, Toggle, Disabled, CheckBox };

// Plays a script of actions ("d" down, "m" move with the button held, "u" up, each with "x,y"; "s"
// setValue with "value,0") on a new widget of this kind; answers its look after each action: 'D' or
// 'U' pressed-looking or not, in capitals when the action asked for a redraw.
std::string play(GuiEventSink& sink, Kind kind, const std::string& script)
{
    LGUIWidget* w;
    if (kind == CheckBox) {
        w = new LGUICheckBox(u"AB", Loop, 20, 30, 45, 9, false, 7);
        sink.addChild(w);
    } else {
        LGUIButton* button = add(sink, nullptr, kind == Toggle ? LGUIButton::Toggle : 0);
        button->setEnabled(kind != Disabled);
        w = button;
    }
    std::string looks;
    char action;
    int x, y, used;
    for (const char* s = script.c_str(); std::sscanf(s, " %c%d,%d%n", &action, &x, &y, &used) == 3; s += used) {
        w->dirty = false;
        action == 'd'   ? w->mouseDown(x, y)
        : action == 'm' ? w->mouseMove(x, y, true)
        : action == 's' ? w->setValue(x)
                        : w->mouseUp(x, y);
        const bool pressed = kind == CheckBox ? static_cast<LGUICheckBox*>(w)->hot : static_cast<LGUIButton*>(w)->down;
        looks += w->dirty ? (pressed ? 'D' : 'U') : (pressed ? 'd' : 'u');
    }
    return looks;
}

} // namespace

TEST_F(LGUIButtonTest, PressesReleasesAndDragsGiveTheseLooksAndEvents)
{
    struct Case {
        Kind kind;
        const char* script;
        const char* looks;
        std::vector<int> values; // of the events sent
    };
    const Case cases[] = {
        // A push button fires once, on a release inside after a press inside; the right and bottom
        // edges are outside.
        {Push, "d20,20 u49,29", "DU", {0}},
        {Push, "d20,20 m60,20 m49,29 u49,29", "DUDU", {0}},
        {Push, "d20,20 m60,20 u60,20", "DUu", {}},
        {Push, "d50,30 m20,20 u20,20", "uuU", {}}, // a release inside always redraws
        {Disabled, "d20,20 m21,20 u20,20", "uuu", {}},
        // A toggle flips and fires on the press, and ignores drags and releases.
        {Toggle, "d20,20 u20,20 m60,20 d20,20", "DddU", {1, 0}},
        {Toggle, "s1,0 d20,20", "DU", {0}}, // setting the value shows at once but never reports
        // A check box toggles on a release over the box or its caption; a release outside cancels
        // for good, so a later press elsewhere cannot toggle it by being released over it.
        {CheckBox, "d35,33 u36,34 d20,30 u20,30", "DUDU", {1, 0}},
        {CheckBox, "d25,33 m90,33 u90,33 d100,100 u25,33", "DuUuu", {}}, // the release redraws
        // As wide as the box, the caption and their gaps: 9 + 5 + 4. A set value shows at the next redraw.
        {CheckBox, "s1,0 d25,33 u37,33 d25,33 u38,33", "uDUDU", {0}},
    };
    for (const Case& c : cases) {
        GuiEventSink sink;
        EXPECT_EQ(play(sink, c.kind, c.script), c.looks) << c.script;
        std::vector<LGUIEvent> events;
        for (int v : c.values)
            events.push_back(c.kind == CheckBox ? LGUIEvent{0x103, Loop, v, 7, 0} : LGUIEvent{1, Play, v, 0, 0});
        EXPECT_EQ(sink.events, events) << c.script;
    }
}

TEST_F(LGUIButtonTest, ButtonsShadeUpOrPressedCentreTheirIconAndCaptionAndGreyOutWhenDisabled)
{
    KESOBitmap icon; // red, with a transparent centre
    icon.create(3, 3);
    icon.clear(0xF800);
    icon.setPixel(1, 1, TransparentColour);
    add(sink, u"AB", 0)->draw(0, 0);
    const int up = 0x6416, pressed = 0x851C;
    expectPixels({{10, 10, 0xFFFF}, {11, 10, light565(up)}, {10, 11, light565(up)}, // bevel over the outline
                  {50, 15, 0x218A}, {20, 30, 0x218A}, {50, 30, 0x0000},
                  {15, 12, blend565(up, half565(up), (2 * 3276) >> 11)},
                  {28, 19, 0xFFFF}, {29, 24, 0x0000}}); // caption centred on (30, 21), and its shadow
    ASSERT_EQ(LScreenBitmap::dirtyCount(), 1);
    EXPECT_TRUE(LScreenBitmap::dirtyRect(0).w == 41 && LScreenBitmap::dirtyRect(0).h == 21);
    add(sink, u"AB", 0, nullptr, 40)->mouseDown(20, 50); // pressed: lighter downwards, moved in
    add(sink, nullptr, 0, &icon, 70);
    add(sink, u"AB", LGUIButton::Toggle | LGUIButton::IconLeft, &icon, 100);
    add(sink, u"AB", 0, &icon, 130);
    sink.draw(0, 0);
    expectPixels({{10, 40, 0x0000}, {20, 40, 0x0000}, {20, 41, 0x0000}, {11, 50, 0x0000}, {50, 45, 0x0000},
                  {15, 42, blend565(pressed, light565(pressed), (2 * 3276) >> 11)}, {29, 50, 0xFFFF},
                  {29, 80, 0xF800}, {31, 82, 0xF800},     // icon alone: centred on (30, 81)
                  {15, 110, 0xF800}, {21, 109, 0xFFFF},   // left: icon on (16, 111), caption on (23, 111)
                  {27, 140, 0xF800}, {31, 139, 0xFFFF}}); // beside: icon on (28, 141), caption on (33, 141)
    EXPECT_NE(at(30, 81), TransparentColour);

    for (LGUIWidget* w = sink.firstChild(); w != nullptr; w = w->next)
        static_cast<LGUIButton*>(w)->setEnabled(false);
    sink.invalidate();
    sink.draw(0, 0);
    const int greyRed = blend565(0x0000, 0x8410, 16);
    expectPixels({{29, 80, greyRed}, {15, 72, blend565(0x8410, half565(0x8410), (2 * 3276) >> 11)},
                  {50, 75, 0x2104}, {21, 109, 0xC618}, {22, 114, 0x630C}, // styled: a dark shadow
                  {27, 140, greyRed}, {31, 139, 0xC618}, {32, 144, 0xFFFF}});
}

TEST_F(LGUIButtonTest, CheckedBoxColoursPlainAndWhilePressed)
{
    LGUICheckBox* box = new LGUICheckBox(u"AB", Loop, 20, 30, 45, 9, false, 7);
    sink.addChild(box);
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
