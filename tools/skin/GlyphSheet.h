#pragma once

#include <map>
#include <string>
#include <vector>

class KESOBitmap;
class SkinSource;

// A bitmap font designed as text: every glyph of the program's character set drawn in rows of
// '#' and '.'. Turns into a font image: the glyphs side by side one pixel apart, an empty row,
// and the width strip along the bottom.
class GlyphSheet {
public:
    bool read(SkinSource& source);
    // False (reported through the source) unless every character of the set has a glyph.
    bool checkComplete(SkinSource& source) const;

    // The same design with every stroke doubled to the right: one pixel wider per glyph.
    GlyphSheet emboldened() const;
    // Replaces glyphs by those the other sheet draws; false if the heights differ.
    bool overrideWith(const GlyphSheet& other);
    void makeImage(KESOBitmap& image) const;

    int height() const { return height_; }

private:
    using Glyph = std::vector<std::string>; // rows of '#' and '.', all of one width

    bool readGlyph(SkinSource& source, const std::string& header);

    int height_ = 0;
    std::map<char16_t, Glyph> glyphs_;
};
