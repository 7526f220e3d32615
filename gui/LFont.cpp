#include "gui/LFont.h"

#include "foundation/KESOString.h"
#include "gui/KESOBitmap.h"
#include "gui/NBitmapCache.h"

#include <array>

namespace {

// The characters of the font images, in glyph order.
constexpr char16_t glyphCharacters[] = u"ABCDEFGHIJKLMNOPQRSTUVWXYZ\u00C5\u00C4\u00D6"
                                    u"abcdefghijklmnopqrstuvwxyz\u00E5\u00E4\u00F6"
                                    u"1234567890.,:!?_@=+-*/%#\"'()$\u00A3\\<>~[]";

constexpr std::array<std::uint16_t, 256> buildCharacterMap()
{
    std::array<std::uint16_t, 256> map{};
    for (int g = static_cast<int>(sizeof glyphCharacters / sizeof glyphCharacters[0]) - 2; g >= 0; --g)
        map[glyphCharacters[g] & 0xFF] = static_cast<std::uint16_t>(g); // backwards: the first occurrence wins
    return map;
}

constexpr std::array<std::uint16_t, 256> characterMap = buildCharacterMap();
static_assert(sizeof glyphCharacters / sizeof glyphCharacters[0] == 95, "94 glyphs and the terminator");
static_assert(characterMap[u'A'] == 0 && characterMap[u']'] == 93 && characterMap[u'1'] == 58);

} // namespace

LFont* LFont::font(int index)
{
    static LFont fonts[Count];
    return index >= 0 && index < Count ? &fonts[index] : nullptr;
}

void LFont::loadProgramFonts(NBitmapCache& cache)
{
    font(Interface)->setImage(cache.request(NBitmapCache::skinPath(u"realfont2.tga")));
    font(Grid)->setImage(cache.request(NBitmapCache::skinPath(u"realfont.tga")));
    font(Bold)->setImage(cache.request(NBitmapCache::skinPath(u"boldfont.tga")));
}

int LFont::glyphOf(char16_t ch)
{
    return ch < 256 ? characterMap[ch] : 0;
}

const char16_t* LFont::characterSet()
{
    return glyphCharacters;
}

void LFont::setImage(KESOBitmap* bitmap)
{
    *this = LFont();
    // A font needs at least one glyph row above the unused row and the strip.
    if (bitmap == nullptr || bitmap->isEmpty() || bitmap->height() < 3)
        return;
    image_ = bitmap;
    height_ = bitmap->height() - 2;
    int strip = bitmap->height() - 1;
    // x positions are 16-bit: a strip wider than that cannot be addressed.
    int end = bitmap->width() < 32767 ? bitmap->width() : 32767;
    int x = 0;
    while (glyphCount_ < MaxGlyphs && x < end && bitmap->pixel(x, strip) != 0) {
        glyphX_[glyphCount_] = static_cast<std::int16_t>(x);
        int start = x;
        while (x < end && bitmap->pixel(x, strip) != 0)
            ++x;
        glyphWidth_[glyphCount_++] = static_cast<std::int16_t>(x - start);
        ++x; // the separator
    }
}

int LFont::textWidth(const char16_t* text) const
{
    if (text == nullptr || image_ == nullptr)
        return 0;
    int width = 0;
    for (; *text != 0; ++text)
        width += *text == u' ' ? 4 : glyphWidth_[glyphOf(*text)] + 1;
    return width;
}

void LFont::drawText(KESOBitmap& target, const char16_t* text, int x, int y, std::int32_t colour, RowOp rowOp,
                     int maxX) const
{
    if (text == nullptr || image_ == nullptr)
        return;
    int pen = x;
    for (; *text != 0; ++text) {
        if (*text == u'\n') {
            pen = x;
            y += height_ + 1;
        } else if (*text == u' ') {
            pen += 3;
        } else {
            int g = glyphOf(*text);
            image_->blit(target, pen, y, glyphX_[g], 0, glyphWidth_[g], height_, rowOp, colour, true);
            pen += glyphWidth_[g] + 1;
            if (pen >= maxX)
                return;
        }
    }
}

void LFont::drawTextShadow(KESOBitmap& target, const char16_t* text, int x, int y, std::uint16_t colour,
                           std::uint16_t shadow) const
{
    drawText(target, text, x + 1, y + 1, shadow, fillRowMasked, NoLimit);
    drawText(target, text, x, y, colour, fillRowMasked, NoLimit);
}

void LFont::drawTextOutline(KESOBitmap& target, const char16_t* text, int x, int y, std::uint16_t colour,
                            std::uint16_t outline) const
{
    drawText(target, text, x, y + 1, outline, fillRowMasked, NoLimit);
    drawText(target, text, x - 1, y, outline, fillRowMasked, NoLimit);
    drawText(target, text, x, y - 1, outline, fillRowMasked, NoLimit);
    drawText(target, text, x + 1, y, outline, fillRowMasked, NoLimit);
    drawText(target, text, x, y, colour, fillRowMasked, NoLimit);
}

void LFont::drawTextCentred(KESOBitmap& target, const char16_t* text, int cx, int cy, std::uint16_t colour,
                            std::uint16_t shadow) const
{
    drawTextShadow(target, text, cx - textWidth(text) / 2, cy - height_ / 2, colour, shadow);
}
