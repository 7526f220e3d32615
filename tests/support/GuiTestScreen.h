#pragma once

#include "foundation/KESOString.h"
#include "gui/LFont.h"
#include "gui/LGUIContainer.h"
#include "gui/LGUIEvent.h"
#include "gui/LScreenBitmap.h"
#include "gui/NBitmapCache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// FNV-1a of the screen's rows y0 ... y1 - 1. Drawings are pixel-exact, so a test compares one such
// number with the value stored when the drawing was checked, rather than probing many pixels of it.
// A new value is right only after the new drawing has been looked at and found intended.
inline std::uint32_t screenChecksum(int y0 = 0, int y1 = LScreenBitmap::Height)
{
    std::uint32_t hash = 2166136261u;
    for (int y = y0; y < y1; ++y)
        for (int x = 0; x < LScreenBitmap::Width; ++x) {
            const std::uint16_t p = LScreenBitmap::instance().pixel(x, y);
            hash = ((hash ^ (p & 0xFFu)) * 16777619u ^ (p >> 8)) * 16777619u;
        }
    return hash;
}

// The build's skin and fonts as the program loads them, and a new screen. The program path must
// point into the build first.
inline bool loadProgramSkin()
{
    NBitmapCache& cache = NBitmapCache::instance();
    cache.loadPackfile(NBitmapCache::skinPath(u"skin.dat"));
    LFont::loadProgramFonts(cache);
    LScreenBitmap::instance().create(LScreenBitmap::Width, LScreenBitmap::Height);
    return LFont::font(LFont::Bold)->hasImage() && LFont::font(LFont::Grid)->hasImage();
}

// Takes away fonts, images and screen, so that no test draws with another's.
inline void releaseScreenAndFonts()
{
    for (int f = 0; f < LFont::Count; ++f)
        LFont::font(f)->setImage(nullptr);
    NBitmapCache::instance().empty();
    LScreenBitmap::instance().flush(nullptr);
    LScreenBitmap::instance().destroy();
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
        // A font whose glyph g is a solid block (1 + g % 4) wide and 5 high: "A" is 1 wide, "B" 2.
        fontImage.create(328, 7);
        for (int g = 0, x = 0; g < 94; x += 2 + g % 4, ++g) {
            fontImage.fillRect(x, 0, x + 1 + g % 4, 5, 0xFFFF);
            fontImage.drawHLine(x, 6, x + 1 + g % 4, 0xFFFF);
        }
        for (int f = 0; f < LFont::Count; ++f)
            LFont::font(f)->setImage(&fontImage);
    }
    void TearDown() override { releaseScreenAndFonts(); }
    static LScreenBitmap& screen() { return LScreenBitmap::instance(); }
    KESOBitmap fontImage;
    GuiEventSink sink;
};
