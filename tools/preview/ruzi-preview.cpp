// Draws a demonstration screen with every kind of widget, in the skin the build made, and writes
// it as PNG files at zoom 1 and 3: ruzi-preview SKIN.DAT OUTPUT-FOLDER. Exits non-zero when the
// skin lacks an image or a font is incomplete, so a broken skin shows up in the tests.
#include "foundation/KESOString.h"
#include "gui/LFont.h"
#include "gui/LGUIButton.h"
#include "gui/LGUICheckBox.h"
#include "gui/LGUIEvent.h"
#include "gui/LGUIGroupBox.h"
#include "gui/LGUILabel.h"
#include "gui/LGUIPanel.h"
#include "gui/LGUIScreen.h"
#include "gui/LGUITabBar.h"
#include "gui/LScreenBitmap.h"
#include "gui/NBitmapCache.h"
#include "tools/preview/PngWriter.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

const char16_t* const iconNames[] = {u"open.tga", u"off.tga",   u"play.tga",    u"stop.tga",
                                     u"rec.tga",  u"plus.tga",  u"minus.tga",   u"repeat.tga",
                                     u"delblock.tga", u"delauto.tga", u"backward.tga", u"forward.tga"};

KESOBitmap* icon(const char16_t* name)
{
    return NBitmapCache::instance().request(NBitmapCache::skinPath(name));
}

bool checkSkin()
{
    bool complete = true;
    for (const char16_t* name : iconNames) {
        if (icon(name)->isEmpty()) {
            std::fprintf(stderr, "ruzi-preview: the skin has no %s\n", String(name).toUtf8().c_str());
            complete = false;
        }
    }
    for (int f = 0; f < LFont::Count; ++f) {
        if (LFont::font(f)->glyphCount() != 94) {
            std::fprintf(stderr, "ruzi-preview: font %d has %d glyphs, not 94\n", f, LFont::font(f)->glyphCount());
            complete = false;
        }
    }
    return complete;
}

LGUIButton* button(const char16_t* caption, const char (&code)[5], int x, int y, int w, int h, int style,
                   const char16_t* iconName)
{
    return new LGUIButton(caption, commandCode(code), x, y, w, h, style, iconName ? icon(iconName) : nullptr);
}

// The control panel: the song group, the main buttons, button states, check boxes and labels.
LGUIPanel* buildPanel()
{
    LGUIPanel* panel = new LGUIPanel(0, 0, 240, 240, 0x3186);
    LGUIGroupBox* song = new LGUIGroupBox(u"Song", 5, 15, 230, 70);
    song->addChild(new LGUILabel(u"(untitled)", 120, 15, 0xFFE0, 1));
    song->addChild(button(u"Load Song...", "OPEN", 65, 32, 100, 20, LGUIButton::IconLeft, u"open.tga"));
    panel->addChild(button(u"Export Loop to WAV...", "WAVE", 15, 94, 100, 20, 0, nullptr));
    panel->addChild(button(u"Exit DavEdirorar", "EXIT", 125, 94, 100, 20, LGUIButton::IconLeft, u"off.tga"));
    panel->addChild(song);

    LGUIButton* toggle = button(u"Toggle", "TOGL", 15, 120, 50, 17, LGUIButton::Toggle, nullptr);
    toggle->mouseDown(20, 128); // shown pressed
    panel->addChild(toggle);
    LGUIButton* disabled = button(u"Disabled", "DISA", 70, 120, 50, 17, 0, nullptr);
    disabled->setEnabled(false);
    panel->addChild(disabled);
    LGUIButton* disabledIcon = button(u"Rec", "RECO", 125, 120, 40, 17, 0, u"rec.tga");
    disabledIcon->setEnabled(false);
    panel->addChild(disabledIcon);
    panel->addChild(new LGUICheckBox(u"Loop", commandCode("LOOP"), 172, 119, 45, 9, true, 1));
    panel->addChild(new LGUICheckBox(u"Sync", commandCode("SYNC"), 172, 130, 45, 9, false, 2));

    panel->addChild(new LGUILabel(u"Set up a loop and press the Export... button.", 120, 160, 0xFFFF, 1));
    panel->addChild(new LGUILabel(u"Loop:", 15, 220, 0xFFFF, 0));
    panel->addChild(button(u"Set Start", "LSTR", 45, 215, 60, 17, 0, nullptr));
    panel->addChild(button(u"Set End", "LEND", 110, 215, 60, 17, 0, nullptr));
    return panel;
}

// The transport bar of the sequencer view, with the small icon buttons; only the view's working
// buttons are enabled unless `allEnabled` (to see every icon in colour).
LGUIContainer* buildTransport(int y, bool allEnabled)
{
    LGUIContainer* bar = new LGUIContainer(0, y, 240, 14);
    struct TransportButton {
        const char16_t* icon;
        int x, w;
        bool enabled;
    };
    const TransportButton buttons[] = {
        {u"play.tga", 0, 19, true},       {u"stop.tga", 20, 19, true},      {u"rec.tga", 40, 19, false},
        {u"plus.tga", 62, 13, false},     {u"minus.tga", 76, 13, false},    {u"repeat.tga", 90, 13, false},
        {u"delblock.tga", 104, 13, false}, {u"delauto.tga", 118, 13, false}, {u"backward.tga", 134, 17, true},
        {u"forward.tga", 152, 17, true}};
    for (const TransportButton& t : buttons) {
        LGUIButton* b = button(nullptr, "NONE", t.x, 0, t.w, 13, 0, t.icon);
        b->setEnabled(t.enabled || allEnabled);
        bar->addChild(b);
    }
    return bar;
}

void drawFontSamples(LScreenBitmap& screen)
{
    screen.drawTextShadow(u"Interface: The quick brown fox 0123456789", 6, 167, 0xFFFF, 0x0000, LFont::Interface);
    screen.drawTextShadow(u"jumps over ÅÄÖ åäö .,:!?_@=+-*/%#\"'()$£\\<>~[]", 6, 178, 0xFFFF, 0x0000,
                          LFont::Interface);
    screen.drawTextShadow(u"Bold: KMNQRWXY Gkmrvwx 04 ÅÄÖå @#", 6, 189, 0xFFE0, 0x2104, LFont::Bold);
    screen.drawText(u"Grid: a1 b2 c3 d8 L R 0123456789 Pattern", 6, 201, 0xFFFF, LFont::Grid, fillRowMasked,
                    LFont::NoLimit);
}

// A glimpse of the sequencer view's grid, to judge the grid font in its 9-pixel rows.
void drawGrid(LScreenBitmap& screen)
{
    const std::uint16_t trackColours[] = {0xD404, 0x341B, 0x24E4, 0x6295, 0x6391};
    screen.fillRect(0, 252, 240, 261, 0xFFFF);
    for (int j = 0; j < 12; ++j) {
        int x = 20 * j;
        screen.drawVLine(x, 253, 261, 0xA514);
        screen.drawText(intToString(j).c_str(), x + 2, 254, 0x0000, LFont::Grid, fillRowMasked, LFont::NoLimit);
        for (int t = 0; t < 5; ++t) {
            int r = 261 + 9 * t;
            std::uint16_t k = trackColours[t];
            std::uint16_t tint = light565(k);
            screen.fillGradient(x + 1, r, x + 20, r + 9, tint, k);
            char16_t name[3] = {static_cast<char16_t>(u'a' + (j + t) % 4), static_cast<char16_t>(u'1' + j % 8), 0};
            screen.drawText(name, x + 6, r + 2, 0xFFFF, LFont::Grid, fillRowMasked, LFont::NoLimit);
        }
    }
    screen.fillGradient(0, 306, 240, 320, 0x420A, 0xC61C);
    screen.invalidate({0, 252, 240, 68});
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: ruzi-preview SKIN.DAT OUTPUT-FOLDER\n");
        return 2;
    }
    NBitmapCache& cache = NBitmapCache::instance();
    cache.loadPackfile(String::fromUtf8(argv[1]));
    LFont::loadProgramFonts(cache);
    bool complete = checkSkin();

    LScreenBitmap& screen = LScreenBitmap::instance();
    screen.create(LScreenBitmap::Width, LScreenBitmap::Height);
    LGUIScreen root;
    LGUIPanel* panel = buildPanel();
    LGUIPanel* second = new LGUIPanel(0, 0, 240, 240, 0x7800);
    LGUITabBar* tabs = new LGUITabBar(0, 240, 240, 11);
    tabs->addTab(u"System", panel);
    tabs->addTab(u"Extra", second);
    second->hide(false);
    root.addChild(second);
    root.addChild(tabs);
    root.addChild(panel);
    root.addChild(buildTransport(306, false));
    panel->addChild(buildTransport(140, true));
    drawGrid(screen);
    root.draw(0, 0);
    drawFontSamples(screen);

    std::vector<std::uint32_t> frame(static_cast<size_t>(LScreenBitmap::Width) * LScreenBitmap::Height, 0);
    screen.invalidate({0, 0, LScreenBitmap::Width, LScreenBitmap::Height});
    screen.flush(frame.data());
    std::error_code ignored;
    std::filesystem::create_directories(argv[2], ignored);
    std::string folder = std::string(argv[2]) + "/";
    bool written = PngWriter::write(folder + "preview.png", frame, LScreenBitmap::Width, LScreenBitmap::Height, 1) &&
                   PngWriter::write(folder + "preview-3x.png", frame, LScreenBitmap::Width, LScreenBitmap::Height, 3);
    if (!written)
        std::fprintf(stderr, "ruzi-preview: cannot write the PNG files into %s\n", argv[2]);
    screen.destroy();
    return complete && written ? 0 : 1;
}
