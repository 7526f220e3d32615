#include "gui/LGUIContainer.h"
#include "gui/LGUIEvent.h"
#include "tests/support/GuiEventSink.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Records what reaches it, into a log shared by a test's widgets.
class Probe : public LGUIWidget {
public:
    Probe(std::vector<std::string>& log, const std::string& name, int* deaths = nullptr)
        : LGUIWidget(0, 0, 1, 1), log(log), name(name), deaths(deaths)
    {
    }
    ~Probe() override
    {
        if (deaths != nullptr)
            ++*deaths;
    }
    void draw(int ox, int oy) override { log.push_back(name + " draw " + pair(ox, oy)); }
    void mouseDown(int px, int py) override { log.push_back(name + " down " + pair(px, py)); }
    void mouseMove(int px, int py, bool b) override { log.push_back(name + " move " + pair(px, py) + (b ? " b" : "")); }
    void mouseUp(int px, int py) override { log.push_back(name + " up " + pair(px, py)); }
    void keyDown(int key) override { log.push_back(name + " key " + std::to_string(key)); }

    static std::string pair(int a, int b) { return std::to_string(a) + "," + std::to_string(b); }

    std::vector<std::string>& log;
    std::string name;
    int* deaths;
};

std::vector<LGUIWidget*> children(const LGUIContainer& c)
{
    std::vector<LGUIWidget*> list;
    for (LGUIWidget* w = c.firstChild(); w != nullptr; w = w->next)
        list.push_back(w);
    return list;
}

} // namespace

TEST(LGUIContainer, PointerAndKeysReachEveryVisibleChildInItsOwnCoordinates)
{
    std::vector<std::string> log;
    LGUIContainer box(10, 20, 100, 100);
    box.addChild(new Probe(log, "a"));
    Probe* hidden = new Probe(log, "h");
    box.addChild(hidden);
    box.addChild(new Probe(log, "b"));
    hidden->hide(false);
    box.mouseDown(15, 25);
    box.mouseMove(16, 26, true);
    box.mouseUp(17, 27);
    box.keyDown(0x20);
    EXPECT_EQ(log, (std::vector<std::string>{"a down 5,5", "b down 5,5", "a move 6,6 b", "b move 6,6 b", "a up 7,7",
                                             "b up 7,7", "a key 32", "b key 32"}));
}

TEST(LGUIContainer, DrawAccumulatesOffsetsThroughNestedContainers)
{
    std::vector<std::string> log;
    LGUIContainer outer(10, 20, 100, 100);
    LGUIContainer* inner = new LGUIContainer(5, 5, 50, 50);
    outer.addChild(new Probe(log, "a"));
    outer.addChild(inner);
    inner->addChild(new Probe(log, "b"));
    outer.draw(0, 0);
    EXPECT_EQ(log, (std::vector<std::string>{"a draw 10,20", "b draw 15,25"}));
}

TEST(LGUIContainer, AddingMovesAWidgetBetweenContainers)
{
    std::vector<std::string> log;
    LGUIContainer first(0, 0, 10, 10);
    LGUIContainer second(0, 0, 10, 10);
    Probe* a = new Probe(log, "a");
    Probe* b = new Probe(log, "b");
    first.addChild(a);
    first.addChild(b);
    second.addChild(b);
    EXPECT_EQ(children(first), (std::vector<LGUIWidget*>{a}));
    EXPECT_EQ(first.lastChild(), a);
    EXPECT_EQ(children(second), (std::vector<LGUIWidget*>{b}));
    EXPECT_EQ(b->parent, &second);
    first.addChild(b);
    EXPECT_EQ(children(first), (std::vector<LGUIWidget*>{a, b}));
    EXPECT_EQ(second.firstChild(), nullptr);
}

TEST(LGUIContainer, RemovingRelinksTheList)
{
    std::vector<std::string> log;
    LGUIContainer box(0, 0, 10, 10);
    Probe* a = new Probe(log, "a");
    Probe* b = new Probe(log, "b");
    Probe* c = new Probe(log, "c");
    box.addChild(a);
    box.addChild(b);
    box.addChild(c);
    EXPECT_TRUE(box.removeChild(b));
    EXPECT_EQ(children(box), (std::vector<LGUIWidget*>{a, c}));
    EXPECT_EQ(b->parent, nullptr);
    EXPECT_FALSE(box.removeChild(b));
    EXPECT_TRUE(box.removeChild(c));
    EXPECT_EQ(box.lastChild(), a);
    box.addChild(b);
    EXPECT_EQ(children(box), (std::vector<LGUIWidget*>{a, b}));
    EXPECT_TRUE(box.removeChild(a));
    EXPECT_TRUE(box.removeChild(b));
    EXPECT_EQ(box.firstChild(), nullptr);
    EXPECT_EQ(box.lastChild(), nullptr);
    delete a;
    delete b;
    delete c;
}

TEST(LGUIContainer, FindChildLooksAtDirectChildrenVisibleOrNot)
{
    std::vector<std::string> log;
    LGUIContainer box(0, 0, 10, 10);
    LGUIContainer* inner = new LGUIContainer(0, 0, 5, 5);
    Probe* a = new Probe(log, "a");
    Probe* b = new Probe(log, "b");
    Probe* deep = new Probe(log, "deep");
    box.addChild(inner);
    box.addChild(a);
    box.addChild(b);
    inner->addChild(deep);
    EXPECT_EQ(box.findChild(-1), inner); // default identifiers
    a->setId(7);
    a->hide(false);
    b->setId(7);
    deep->setId(9);
    EXPECT_EQ(box.findChild(7), a);
    EXPECT_EQ(box.findChild(9), nullptr);
}

TEST(LGUIContainer, HidingMayMarkTheParentAndItsVisibleChildren)
{
    std::vector<std::string> log;
    LGUIContainer box(0, 0, 10, 10);
    Probe* a = new Probe(log, "a");
    Probe* b = new Probe(log, "b");
    Probe* c = new Probe(log, "c");
    box.addChild(a);
    box.addChild(b);
    box.addChild(c);
    c->hide(false);
    box.dirty = a->dirty = b->dirty = c->dirty = false;
    b->hide(false);
    EXPECT_FALSE(box.dirty);
    EXPECT_FALSE(a->dirty);
    a->hide(true);
    EXPECT_TRUE(box.dirty);
    EXPECT_FALSE(a->dirty); // already hidden when the parent marks its children
    EXPECT_FALSE(c->dirty);
    b->show();
    EXPECT_TRUE(b->visible);
    EXPECT_TRUE(b->dirty);
}

TEST(LGUIContainer, DeletingDeletesTheWholeSubtreeOnce)
{
    std::vector<std::string> log;
    int deaths = 0;
    LGUIContainer* root = new LGUIContainer(0, 0, 10, 10);
    LGUIContainer* inner = new LGUIContainer(0, 0, 5, 5);
    root->addChild(new Probe(log, "a", &deaths));
    root->addChild(inner);
    inner->addChild(new Probe(log, "b", &deaths));
    Probe* hidden = new Probe(log, "c", &deaths);
    inner->addChild(hidden);
    hidden->hide(false);
    delete root;
    EXPECT_EQ(deaths, 3);
}

TEST(LGUIContainer, EventsTravelUpThroughContainers)
{
    GuiEventSink sink;
    LGUIContainer* middle = new LGUIContainer(0, 0, 10, 10);
    sink.addChild(middle);
    LGUIEvent event = {1, commandCode("EXIT"), 0, 0, 0};
    middle->onEvent(&event);
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0].command, 0x45584954);
    LGUIContainer orphan(0, 0, 1, 1);
    orphan.onEvent(&event); // nobody to tell
}

using LGUIWidgetTest = GuiTestScreen;

TEST_F(LGUIWidgetTest, BaseDrawFillsItsRectangleBlack)
{
    screen().clear(0xFFFF);
    LGUIWidget widget(2, 3, 4, 5);
    widget.draw(100, 100); // the offset is not added
    EXPECT_EQ(at(2, 3), 0x0000);
    EXPECT_EQ(at(5, 7), 0x0000);
    EXPECT_EQ(at(6, 7), 0xFFFF);
    EXPECT_EQ(at(5, 8), 0xFFFF);
    EXPECT_FALSE(widget.dirty);
}
