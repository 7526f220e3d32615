#include "gui/LGUIButton.h"
#include "gui/LGUIGroupBox.h"
#include "gui/LGUIListener.h"
#include "gui/LGUIScreen.h"
#include "tests/support/GuiEventSink.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

using LGUIGroupBoxTest = GuiTestScreen;
using LGUIScreenTest = GuiTestScreen;

TEST_F(LGUIGroupBoxTest, FrameOpensForTheTitle)
{
    LGUIGroupBox box(u"AB", 5, 15, 50, 30);
    box.draw(0, 0);
    EXPECT_EQ(at(5, 18), 0xFFFF);
    EXPECT_EQ(at(7, 18), 0xFFFF);
    EXPECT_EQ(at(8, 18), 0x0000);   // the gap for the title
    EXPECT_EQ(at(13, 18), 0x2104);  // the title's shadow reaches the end of the gap
    EXPECT_EQ(at(14, 18), 0xFFFF);
    EXPECT_EQ(at(54, 18), 0xFFFF);
    EXPECT_EQ(at(55, 18), 0xFFFF);
    EXPECT_EQ(at(5, 45), 0xFFFF);
    EXPECT_EQ(at(55, 45), 0xFFFF);  // the closing corner
    EXPECT_EQ(at(56, 45), 0x0000);
    EXPECT_EQ(at(5, 17), 0x0000);
    EXPECT_EQ(at(9, 15), 0xFFFF);   // the title
    EXPECT_EQ(at(10, 16), 0x2104);  // its shadow
    EXPECT_FALSE(box.dirty);
}

TEST_F(LGUIGroupBoxTest, ChildrenAreDrawnInsideTheFrameEvenWhenItIsClean)
{
    LGUIGroupBox box(u"AB", 5, 15, 50, 30);
    LGUIButton* button = new LGUIButton(nullptr, 0, 10, 10, 5, 5, 0, nullptr);
    box.addChild(button);
    box.dirty = false;
    box.draw(0, 0);
    EXPECT_EQ(at(15, 25), 0xFFFF);
    EXPECT_EQ(at(5, 18), 0x0000);
}

namespace {

class Listener : public LGUIListener {
public:
    void onEvent(const LGUIEvent* event) override { events.push_back(*event); }
    std::vector<LGUIEvent> events;
};

} // namespace

TEST_F(LGUIScreenTest, EventsGoToTheListenerAndInputRedraws)
{
    Listener listener;
    LGUIScreen screenWidget;
    screenWidget.setListener(&listener);
    LGUIButton* button = new LGUIButton(nullptr, commandCode("EXIT"), 10, 10, 20, 20, 0, nullptr);
    screenWidget.addChild(button);
    screenWidget.mouseDown(15, 15);
    EXPECT_FALSE(button->dirty); // drawn at once
    EXPECT_EQ(at(10, 10), 0x0000); // in its pressed look
    screenWidget.mouseUp(15, 15);
    EXPECT_EQ(listener.events, (std::vector<LGUIEvent>{{1, commandCode("EXIT"), 0, 0, 0}}));
    screenWidget.setListener(nullptr);
    screenWidget.mouseDown(15, 15);
    screenWidget.mouseUp(15, 15); // nobody listening: nothing happens
    EXPECT_EQ(listener.events.size(), 1u);
}

TEST_F(LGUIScreenTest, DirtyScreenMarksTheWholeWindow)
{
    LGUIScreen screenWidget;
    screenWidget.draw(0, 0);
    ASSERT_EQ(LScreenBitmap::dirtyCount(), 1);
    EXPECT_EQ(LScreenBitmap::dirtyRect(0).w, 240);
    EXPECT_EQ(LScreenBitmap::dirtyRect(0).h, 320);
    EXPECT_FALSE(screenWidget.dirty);
    screenWidget.draw(0, 0);
    EXPECT_EQ(LScreenBitmap::dirtyCount(), 1);
}
