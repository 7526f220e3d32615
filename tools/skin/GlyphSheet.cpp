#include "tools/skin/GlyphSheet.h"

#include "foundation/KESOString.h"
#include "gui/KESOBitmap.h"
#include "gui/LFont.h"
#include "tools/skin/SkinSource.h"

#include <cstdlib>
#include <sstream>

bool GlyphSheet::read(SkinSource& source)
{
    std::string line;
    while (source.nextStatement(line)) {
        if (line.rfind("height ", 0) == 0) {
            height_ = std::atoi(line.c_str() + 7);
            if (height_ < 1 || height_ > 64)
                return source.fail("a glyph height of 1 to 64 rows is needed");
        } else if (line.rfind("glyph ", 0) == 0) {
            if (!readGlyph(source, line.substr(6)))
                return false;
        } else {
            return source.fail("expected \"height\" or \"glyph\": " + line);
        }
    }
    if (height_ == 0)
        return source.fail("no \"height\" given");
    return true;
}

bool GlyphSheet::checkComplete(SkinSource& source) const
{
    for (const char16_t* c = LFont::characterSet(); *c != 0; ++c) {
        if (glyphs_.count(*c) == 0) {
            char16_t missing[2] = {*c, 0};
            return source.fail("no glyph for " + String(missing).toUtf8());
        }
    }
    return true;
}

bool GlyphSheet::overrideWith(const GlyphSheet& other)
{
    if (other.height_ != height_)
        return false;
    for (const auto& [character, rows] : other.glyphs_)
        glyphs_[character] = rows;
    return true;
}

bool GlyphSheet::readGlyph(SkinSource& source, const std::string& header)
{
    if (height_ == 0)
        return source.fail("\"height\" must come before the glyphs");
    std::istringstream fields(header);
    std::string name;
    int firstRow = 0;
    if (!(fields >> name >> firstRow) || firstRow < 0)
        return source.fail("expected \"glyph <character> <first row>\"");
    String character = String::fromUtf8(name);
    if (character.length() != 1)
        return source.fail("a glyph is named by one character: " + name);
    Glyph rows(static_cast<size_t>(height_));
    int width = -1;
    std::string line;
    for (int row = firstRow; source.nextRow(line); ++row) {
        if (line.find_first_not_of("#.") != std::string::npos)
            return source.fail("glyph rows hold only '#' and '.'");
        if (width >= 0 && static_cast<int>(line.size()) != width)
            return source.fail("every row of a glyph has the same width");
        if (row >= height_)
            return source.fail("the glyph runs below the font's height");
        width = static_cast<int>(line.size());
        rows[row] = line;
    }
    if (width <= 0)
        return source.fail("glyph " + name + " has no rows");
    for (std::string& row : rows) {
        if (row.empty())
            row.assign(static_cast<size_t>(width), '.');
    }
    glyphs_[*character.c_str()] = rows;
    return true;
}

GlyphSheet GlyphSheet::emboldened() const
{
    GlyphSheet bold;
    bold.height_ = height_;
    for (const auto& [character, rows] : glyphs_) {
        Glyph wide;
        for (const std::string& row : rows) {
            std::string doubled = row + ".";
            for (size_t x = 1; x < doubled.size(); ++x) {
                if (row[x - 1] == '#')
                    doubled[x] = '#';
            }
            wide.push_back(doubled);
        }
        bold.glyphs_[character] = wide;
    }
    return bold;
}

void GlyphSheet::makeImage(KESOBitmap& image) const
{
    const char16_t* set = LFont::characterSet();
    int width = 1; // the strip ends with a second black pixel
    for (const char16_t* c = set; *c != 0; ++c)
        width += static_cast<int>(glyphs_.at(*c)[0].size()) + 1;
    image.create(width, height_ + 2);
    int x = 0;
    for (const char16_t* c = set; *c != 0; ++c) {
        const Glyph& rows = glyphs_.at(*c);
        int w = static_cast<int>(rows[0].size());
        for (int y = 0; y < height_; ++y) {
            for (int i = 0; i < w; ++i) {
                if (rows[y][i] == '#')
                    image.setPixel(x + i, y, 0xFFFF);
            }
        }
        image.drawHLine(x, height_ + 1, x + w, 0xFFFF);
        x += w + 1;
    }
}
