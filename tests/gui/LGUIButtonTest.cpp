#include "gui/LGUIButton.h"
#include "gui/LGUIEvent.h"
#include "tests/support/GuiEventSink.h"
#include "tests/support/GuiTestScreen.h"

#include <gtest/gtest.h>

namespace {

const int Play = commandCode("PLAY");

class LGUIButtonTest : public GuiTestScreen {
protected:
    void SetUp() override
    {
        GuiTestScreen::SetUp();
        icon.create(3, 3);
        icon.clear(0xF800);
        icon.setPixel(1, 1, TransparentColour);
    }

    LGUIButton* add(const char16_t* caption, int style, KESOBitmap* withIcon = nullptr)
    {
        LGUIButton* button = new LGUIButton(caption, Play, 10, 10, 40, 20, style, withIcon);
        sink.addChild(button);
        return button;
    }

    KESOBitmap icon;
    GuiEventSink sink;
};

const LGUIEvent Clicked = {LGUIEvent::Clicked, Play, 0, 0, 0};

} // namespace

TEST_F(LGUIButtonTest, PushButtonFiresOnReleaseInside)
{
    LGUIButton* button = add(u"AB", 0);
    button->mouseDown(20, 20);
    EXPECT_TRUE(button->down);
    EXPECT_TRUE(sink.events.empty());
    button->mouseUp(49, 29);
    ASSERT_EQ(sink.events.size(), 1u);
    EXPECT_EQ(sink.events[0], Clicked);
    EXPECT_FALSE(button->down);
    EXPECT_FALSE(button->armed);
}

TEST_F(LGUIButtonTest, DraggingOffAndReleasingOutsideCancels)
{
    LGUIButton* button = add(u"AB", 0);
    button->mouseDown(20, 20);
    button->dirty = false;
    button->mouseMove(60, 20, true);
    EXPECT_FALSE(button->down);
    EXPECT_TRUE(button->dirty);
    button->mouseUp(60, 20);
    EXPECT_TRUE(sink.events.empty());
    EXPECT_FALSE(button->down);
    EXPECT_FALSE(button->armed);
}

TEST_F(LGUIButtonTest, DraggingOffAndBackOnStillFiresOnce)
{
    LGUIButton* button = add(u"AB", 0);
    button->mouseDown(20, 20);
    button->mouseMove(60, 20, true);
    button->mouseMove(20, 20, true);
    EXPECT_TRUE(button->down);
    button->mouseUp(20, 20);
    EXPECT_EQ(sink.events, (std::vector<LGUIEvent>{Clicked}));
}

TEST_F(LGUIButtonTest, ReleaseWithoutAPressOnTheButtonDoesNothing)
{
    LGUIButton* button = add(u"AB", 0);
    button->mouseDown(0, 0);
    button->mouseMove(20, 20, true);
    EXPECT_FALSE(button->down);
    button->mouseUp(20, 20);
    EXPECT_TRUE(sink.events.empty());
    button->mouseDown(50, 30); // the right and bottom edges are outside
    EXPECT_FALSE(button->armed);
}

TEST_F(LGUIButtonTest, ToggleButtonFlipsAndFiresOnPress)
{
    LGUIButton* button = add(nullptr, LGUIButton::Toggle, &icon);
    button->mouseDown(20, 20);
    EXPECT_TRUE(button->down);
    button->mouseUp(20, 20);
    button->mouseMove(60, 20, true);
    EXPECT_TRUE(button->down);
    button->mouseDown(20, 20);
    EXPECT_FALSE(button->down);
    EXPECT_EQ(sink.events, (std::vector<LGUIEvent>{{1, Play, 1, 0, 0}, {1, Play, 0, 0, 0}}));
    button->dirty = false;
    button->setValue(1);
    EXPECT_TRUE(button->armed);
    EXPECT_TRUE(button->down); // the look follows the state
    EXPECT_TRUE(button->dirty);
    button->mouseDown(20, 20);
    EXPECT_EQ(sink.events.back().value, 0);
    EXPECT_FALSE(button->down);
}

TEST_F(LGUIButtonTest, DisabledButtonIgnoresInput)
{
    LGUIButton* push = add(u"AB", 0);
    LGUIButton* toggle = add(u"AB", LGUIButton::Toggle);
    push->setEnabled(false);
    toggle->setEnabled(false);
    sink.mouseDown(20, 20);
    sink.mouseMove(21, 21, true);
    sink.mouseUp(20, 20);
    EXPECT_TRUE(sink.events.empty());
    EXPECT_FALSE(push->down);
    EXPECT_FALSE(toggle->armed);
}

TEST_F(LGUIButtonTest, UpButtonFrameAndBevel)
{
    add(u"AB", 0)->draw(0, 0);
    const std::uint16_t face = 0x6416;
    EXPECT_EQ(at(10, 10), 0xFFFF);
    EXPECT_EQ(at(11, 10), light565(face));       // bevel over the top of the outline
    EXPECT_EQ(at(10, 11), light565(face));
    EXPECT_EQ(at(50, 15), 0x218A);               // right edge of the outline
    EXPECT_EQ(at(20, 30), 0x218A);               // bottom edge
    EXPECT_EQ(at(50, 30), 0x0000);
    EXPECT_EQ(at(15, 12), blend565(face, half565(face), 0 + ((2 * 3276) >> 11)));
    EXPECT_EQ(at(28, 19), 0xFFFF);               // caption centred on (30, 21)
    EXPECT_EQ(at(29, 24), 0x0000);               // its shadow
    ASSERT_EQ(LScreenBitmap::dirtyCount(), 1);
    EXPECT_EQ(LScreenBitmap::dirtyRect(0).w, 41);
    EXPECT_EQ(LScreenBitmap::dirtyRect(0).h, 21);
}

TEST_F(LGUIButtonTest, PressedButtonLightensAndMovesItsContent)
{
    LGUIButton* button = add(u"AB", 0);
    button->mouseDown(20, 20);
    button->draw(0, 0);
    const std::uint16_t face = 0x851C;
    EXPECT_EQ(at(10, 10), 0x0000);
    EXPECT_EQ(at(20, 10), 0x0000);
    EXPECT_EQ(at(20, 11), 0x0000); // the bevel moves in by one
    EXPECT_EQ(at(11, 20), 0x0000);
    EXPECT_EQ(at(50, 15), 0x0000);
    EXPECT_EQ(at(15, 12), blend565(face, light565(face), 0 + ((2 * 3276) >> 11)));
    EXPECT_EQ(at(29, 20), 0xFFFF);
}

TEST_F(LGUIButtonTest, IconOnlyAndDisabledIconIsGrey)
{
    LGUIButton* button = add(nullptr, 0, &icon);
    button->draw(0, 0);
    EXPECT_EQ(at(29, 20), 0xF800); // centred on (30, 21)
    EXPECT_EQ(at(31, 22), 0xF800);
    EXPECT_NE(at(30, 21), TransparentColour);
    button->setEnabled(false);
    button->invalidate();
    button->draw(0, 0);
    EXPECT_EQ(at(29, 20), blend565(0x0000, 0x8410, 16));
    EXPECT_EQ(at(15, 12), blend565(0x8410, half565(0x8410), (2 * 3276) >> 11));
    EXPECT_EQ(at(50, 15), 0x2104);
}

TEST_F(LGUIButtonTest, IconLeftLayout)
{
    LGUIButton* button = add(u"AB", LGUIButton::IconLeft, &icon);
    button->draw(0, 0);
    EXPECT_EQ(at(15, 20), 0xF800);  // icon centred on (10 + 1 + 5, 21)
    EXPECT_EQ(at(21, 19), 0xFFFF);  // caption centred on (10 + 3 + 2 + 8, 21)
    button->setEnabled(false);
    button->invalidate();
    button->draw(0, 0);
    EXPECT_EQ(at(21, 19), 0xC618);
    EXPECT_EQ(at(22, 24), 0x630C);
}

TEST_F(LGUIButtonTest, IconAndCaptionCentredTogether)
{
    LGUIButton* button = new LGUIButton(u"AB", Play, 10, 10, 40, 20, 0, &icon);
    sink.addChild(button);
    button->setEnabled(false);
    button->draw(0, 0);
    EXPECT_EQ(at(31, 19), 0xC618);                            // caption centred on (30 + 1 + 2, 21)
    EXPECT_EQ(at(32, 24), 0xFFFF);                            // disabled shadow
    EXPECT_EQ(at(27, 20), blend565(0x0000, 0x8410, 16));      // icon centred on (30 - 2, 21)
}
