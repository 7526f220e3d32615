#include "gui/LGUITabBar.h"

#include "gui/LFont.h"
#include "gui/LGUIPanel.h"
#include "gui/LScreenBitmap.h"

namespace {

constexpr std::uint16_t BarColour = 0xB61A;
constexpr std::uint16_t PlainColour = 0x738E;
constexpr int FirstTabX = 5;

// A tab takes the colour of the panel it shows, the selected one at half brightness; a tab for any
// other page is plain.
std::uint16_t tabColour(const LGUIWidget* page, bool selected)
{
    if (const LGUIPanel* panel = dynamic_cast<const LGUIPanel*>(page))
        return selected ? half565(panel->colour) : panel->colour;
    return PlainColour;
}

} // namespace

LGUITabBar::LGUITabBar(int x, int y, int w, int h) : LGUIWidget(x, y, w, h)
{
}

LGUITabBar::~LGUITabBar() = default;

void LGUITabBar::addTab(const String& label, LGUIWidget* page)
{
    if (tabCount_ == MaxTabs)
        return;
    Tab& tab = tabs_[tabCount_++];
    tab.page = page;
    tab.label = label;
    tab.width = LFont::font(LFont::Interface)->textWidth(label.c_str()) + 5;
}

void LGUITabBar::drawTab(int tx, int Y, const Tab& tab, bool selected) const
{
    LScreenBitmap& screen = LScreenBitmap::instance();
    int d = selected ? 2 : 0; // the selected tab stands out two pixels on each side
    int left = tx - d + 1;
    int right = tx + d + tab.width - 1;
    int bottom = Y + h - 1;
    // The selected tab's face and caption are painted over the shading, in draw.
    if (!selected)
        screen.fillRect(left, Y, right, bottom, tabColour(tab.page, false));
    screen.drawRect(left, Y, right, bottom, 0x0000);
    screen.setPixel(left, bottom, BarColour);
    screen.setPixel(right, bottom, BarColour);
    if (!selected)
        screen.drawText(tab.label.c_str(), tx + 3, Y + 2, 0xFFFF, LFont::Interface, fillRowMasked, LFont::NoLimit);
}

void LGUITabBar::draw(int ox, int oy)
{
    if (!dirty)
        return;
    LScreenBitmap& screen = LScreenBitmap::instance();
    int X = ox + x;
    int Y = oy + y;
    screen.drawHLine(X, Y, X + w, 0x0000);
    screen.fillRect(X, Y + 1, X + w, Y + h, BarColour);
    int tx = X + FirstTabX;
    int selectedX = tx;
    for (int i = 0; i < tabCount_; ++i) {
        if (i == selectedTab_)
            selectedX = tx;
        drawTab(tx, Y, tabs_[i], i == selectedTab_);
        tx += tabs_[i].width;
    }
    screen.darkenRect(X, Y + 1, X + w, Y + 4);
    // The selected tab's face over the shading.
    const Tab& selected = tabs_[selectedTab_];
    screen.fillRect(selectedX, Y, selectedX + selected.width + 1, Y + h - 1, tabColour(selected.page, true));
    screen.drawTextShadow(selected.label.c_str(), selectedX + 3, Y + 1, 0xFFC0, 0x0000, LFont::Interface);
    screen.invalidate({X, Y, w, h});
    dirty = false;
}

void LGUITabBar::mouseDown(int px, int py)
{
    if (py <= y || py > y + h)
        return;
    int tx = x + FirstTabX;
    int hit = -1;
    for (int i = 0; i < tabCount_ && hit < 0; ++i) {
        if (tx <= px && px < tx + tabs_[i].width)
            hit = i;
        tx += tabs_[i].width;
    }
    if (hit < 0 || hit == selectedTab_)
        return;
    if (LGUIWidget* page = tabs_[selectedTab_].page)
        page->hide(false);
    selectedTab_ = hit;
    if (LGUIWidget* page = tabs_[selectedTab_].page)
        page->show();
    invalidate();
}
