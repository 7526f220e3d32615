#include "gui/LGUICheckBox.h"
#include "gui/LGUIEvent.h"
#include "tests/support/GuiEventSink.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

namespace {

const int Loop = commandCode("LOOP");

class LGUICheckBoxTest : public GuiTestScreen {
protected:
    LGUICheckBox* add(bool checked = false)
    {
        LGUICheckBox* box = new LGUICheckBox(u"AB", Loop, 20, 30, 45, 9, checked, 7);
        sink.addChild(box);
        return box;
    }

    GuiEventSink sink;
};

} // namespace

TEST_F(LGUICheckBoxTest, WidthFollowsTheCaption)
{
    EXPECT_EQ(add()->w, 5 + 9 + 4);
}

TEST_F(LGUICheckBoxTest, ClickingTheCaptionToggles)
{
    LGUICheckBox* box = add();
    box->mouseDown(35, 33);
    EXPECT_TRUE(box->hot);
    box->mouseUp(36, 34);
    EXPECT_TRUE(box->checked);
    EXPECT_FALSE(box->hot);
    box->mouseDown(20, 30);
    box->mouseUp(20, 30);
    EXPECT_EQ(sink.events, (std::vector<LGUIEvent>{{0x103, Loop, 1, 7, 0}, {0x103, Loop, 0, 7, 0}}));
}

TEST_F(LGUICheckBoxTest, ReleasingOutsideCancelsThePress)
{
    LGUICheckBox* box = add();
    box->mouseDown(25, 33);
    box->mouseMove(100, 100, true);
    EXPECT_FALSE(box->hot);
    box->mouseUp(100, 100);
    EXPECT_FALSE(box->checked);
    // A press that began elsewhere must not toggle the box when it ends over it.
    box->mouseDown(100, 100);
    box->mouseUp(25, 33);
    EXPECT_FALSE(box->checked);
    EXPECT_TRUE(sink.events.empty());
}

TEST_F(LGUICheckBoxTest, DraggingMarksTheBoxWhenThePointerCrossesItsEdge)
{
    LGUICheckBox* box = add();
    box->mouseDown(25, 33);
    box->dirty = false;
    box->mouseMove(26, 33, true); // first move inside: the box was not yet "inside"
    EXPECT_TRUE(box->dirty);
    box->dirty = false;
    box->mouseMove(27, 33, true);
    EXPECT_FALSE(box->dirty);
    box->mouseMove(27, 33, false); // without the button nothing changes
    box->mouseMove(90, 33, true);
    EXPECT_TRUE(box->dirty);
    EXPECT_FALSE(box->hot);
}

TEST_F(LGUICheckBoxTest, SetValueChangesTheStateWithoutRedraw)
{
    LGUICheckBox* box = add();
    box->dirty = false;
    box->setValue(1);
    EXPECT_EQ(box->getValue(), 1);
    EXPECT_FALSE(box->dirty);
    box->setValue(0);
    EXPECT_EQ(box->getValue(), 0);
}

TEST_F(LGUICheckBoxTest, Colours)
{
    LGUICheckBox* box = add(true);
    box->draw(0, 0);
    EXPECT_EQ(at(20, 30), 0x4208);
    EXPECT_EQ(at(29, 39), 0x4208);
    EXPECT_EQ(at(21, 31), blend565(0xFFFF, 0xCE79, 1 + ((1 * (65536 / 9)) >> 11)));
    EXPECT_EQ(at(22, 32), blend565(0x0300, 0x0560, 0));   // the mark
    EXPECT_EQ(at(27, 37), blend565(0x0300, 0x0560, 1 + ((5 * (65536 / 6)) >> 11)));
    EXPECT_EQ(at(28, 37), blend565(0xFFFF, 0xCE79, 1 + ((7 * (65536 / 9)) >> 11)));
    EXPECT_EQ(at(31, 33), 0xFFFF); // caption at (20 + 9 + 2, 30 + (9 - 5) / 2 + 1)
    EXPECT_EQ(at(32, 34), 0x0000); // shadow
    box->mouseDown(25, 33);
    box->draw(0, 0);
    EXPECT_EQ(at(20, 30), 0x87F0);
    EXPECT_EQ(at(21, 31), blend565(0x8410, 0x630C, 1 + ((1 * (65536 / 9)) >> 11)));
    EXPECT_EQ(at(27, 37), blend565(0x0300, 0x87F0, 1 + ((5 * (65536 / 6)) >> 11)));
}
