#pragma once

#include "gui/LFont.h"
#include "gui/LGUIContainer.h"
#include "gui/LGUIEvent.h"
#include "gui/LScreenBitmap.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

// A font image whose glyph g is a solid block (1 + g % 4) wide and 5 high: "A" is 1 wide, "B" 2.
inline void makeTestFontImage(KESOBitmap& image)
{
    image.create(328, 7);
    for (int g = 0, x = 0; g < 94; x += 2 + g % 4, ++g) {
        image.fillRect(x, 0, x + 1 + g % 4, 5, 0xFFFF);
        image.drawHLine(x, 6, x + 1 + g % 4, 0xFFFF);
    }
}

inline bool operator==(const LGUIEvent& a, const LGUIEvent& b)
{
    return a.type == b.type && a.command == b.command && a.value == b.value && a.id == b.id &&
           a.reserved == b.reserved;
}

// A container that records the events its children send.
class GuiEventSink : public LGUIContainer {
public:
    GuiEventSink() : LGUIContainer(0, 0, 240, 320) {}
    void onEvent(const LGUIEvent* event) override { events.push_back(*event); }
    std::vector<LGUIEvent> events;
};

// A black screen, the test font in all three font slots and a sink for events, for widget tests.
class GuiTestScreen : public ::testing::Test {
protected:
    void SetUp() override
    {
        screen().create(LScreenBitmap::Width, LScreenBitmap::Height);
        screen().flush(nullptr);
        makeTestFontImage(fontImage);
        for (int f = 0; f < LFont::Count; ++f)
            LFont::font(f)->setImage(&fontImage);
    }

    void TearDown() override
    {
        for (int f = 0; f < LFont::Count; ++f)
            LFont::font(f)->setImage(nullptr);
        screen().flush(nullptr);
        screen().destroy();
    }

    static LScreenBitmap& screen() { return LScreenBitmap::instance(); }
    static std::uint16_t at(int x, int y) { return screen().pixel(x, y); }

    // Checks screen pixels given as {x, y, colour}.
    static void expectPixels(std::initializer_list<std::array<int, 3>> pixels)
    {
        for (auto [x, y, colour] : pixels)
            EXPECT_EQ(at(x, y), colour) << "at (" << x << ", " << y << ")";
    }

    KESOBitmap fontImage;
    GuiEventSink sink;
};
