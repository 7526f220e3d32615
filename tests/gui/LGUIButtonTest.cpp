#include "gui/LGUIButton.h"
#include "gui/LGUICheckBox.h"
#include "gui/LGUIEvent.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

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

using Log = std::vector<std::string>;

// Logs what reaches it, and its deletion, into a log shared by a test's widgets.
class Probe : public LGUIWidget {
public:
    Probe(Log& log, const std::string& name) : LGUIWidget(0, 0, 1, 1), log(log), name(name) {}
    ~Probe() override { log.push_back(name + " deleted"); }
    void draw(int ox, int oy) override { note("draw", ox, oy); }
    void mouseDown(int px, int py) override { note("down", px, py); }
    void mouseMove(int px, int py, bool b) override { note(b ? "drag" : "move", px, py); }
    void mouseUp(int px, int py) override { note("up", px, py); }
    void keyDown(int key) override { note("key", key, 0); }
    void note(const std::string& what, int a, int b)
    {
        log.push_back(name + " " + what + " " + std::to_string(a) + "," + std::to_string(b));
    }
    Log& log;
    std::string name;
};

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

// Every look of a button and of the check box, in one drawing: up, pressed, icon alone, icon left
// of the caption, icon beside it (disabled icon buttons are in the sequencer view's drawing).
TEST_F(LGUIButtonTest, ButtonsAndCheckBoxesDrawAsStored)
{
    KESOBitmap icon; // red, with a transparent centre
    icon.create(3, 3);
    icon.clear(0xF800);
    icon.setPixel(1, 1, TransparentColour);
    add(sink, u"AB", 0);
    add(sink, u"AB", 0, nullptr, 40)->mouseDown(20, 50);
    add(sink, nullptr, 0, &icon, 70);
    add(sink, u"AB", LGUIButton::Toggle | LGUIButton::IconLeft, &icon, 100);
    add(sink, u"AB", 0, &icon, 130);
    LGUICheckBox* checked[] = {new LGUICheckBox(u"AB", Loop, 100, 30, 45, 9, false, 7),
                               new LGUICheckBox(u"AB", Loop, 100, 60, 45, 9, false, 7)};
    for (LGUICheckBox* box : checked) {
        sink.addChild(box);
        box->setValue(1);
    }
    checked[1]->mouseDown(105, 63);
    sink.draw(0, 0);
    EXPECT_EQ(screenChecksum(), 0xF94A7FA4u);
}

TEST(LGUIContainer, InputAndDrawingReachVisibleChildrenInTheirOwnCoordinates)
{
    Log log;
    LGUIContainer* box = new LGUIContainer(10, 20, 100, 100);
    LGUIContainer* inner = new LGUIContainer(5, 5, 50, 50);
    Probe* hidden = new Probe(log, "hidden");
    box->addChild(new Probe(log, "a"));
    box->addChild(hidden);
    box->addChild(inner);
    inner->addChild(new Probe(log, "b"));
    hidden->hide(false);
    box->mouseDown(15, 25);
    box->mouseMove(16, 26, true);
    box->mouseUp(17, 27);
    box->mouseMove(18, 28, false);
    box->keyDown(1);
    box->draw(0, 0);
    delete box;
    EXPECT_EQ(log, (Log{"a down 5,5", "b down 0,0", "a drag 6,6", "b drag 1,1", "a up 7,7", "b up 2,2",
                        "a move 8,8", "b move 3,3", "a key 1,0", "b key 1,0", "a draw 10,20", "b draw 15,25",
                        "a deleted", "hidden deleted", "b deleted"}));
}
