// Draws the program's skin from its text designs (the icons and the three fonts) and packs the
// images into the skin packfile: make-skin <design folder> <skin.dat>.
#include "foundation/ChunkFile.h"
#include "foundation/KESOString.h"
#include "gui/KESOBitmap.h"
#include "tools/skin/GlyphSheet.h"
#include "tools/skin/IconSheet.h"
#include "tools/skin/SkinSource.h"
#include "tools/skin/TgaEncoder.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Image {
    std::string name;
    std::vector<unsigned char> tga;
};

bool readFont(const std::string& path, GlyphSheet& sheet, bool complete)
{
    SkinSource source;
    if (source.open(path) && sheet.read(source) && (!complete || sheet.checkComplete(source)))
        return true;
    std::fprintf(stderr, "make-skin: %s\n", source.error().c_str());
    return false;
}

Image fontImage(const std::string& name, const GlyphSheet& sheet)
{
    KESOBitmap image;
    sheet.makeImage(image);
    return {name, TgaEncoder::encode(image)};
}

bool writePack(const std::string& path, const std::vector<Image>& images)
{
    ChunkFile file(String::fromUtf8(path), false);
    if (file.failed()) {
        std::fprintf(stderr, "make-skin: cannot write %s: %s\n", path.c_str(), file.errorText().toUtf8().c_str());
        return false;
    }
    file.descend(chunkTag("PACK"));
    std::uint32_t number = 1;
    for (const Image& image : images) {
        file.descend(number++);
        file.writeString(String::fromUtf8(image.name));
        file.writeInt(static_cast<std::int32_t>(image.tga.size()));
        file.writeBytes(image.tga.data(), static_cast<int>(image.tga.size()));
        file.ascend();
    }
    file.ascend();
    if (!file.finish()) {
        std::fprintf(stderr, "make-skin: writing %s failed: %s\n", path.c_str(), file.errorText().toUtf8().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-skin DESIGN-FOLDER SKIN.DAT\n");
        return 2;
    }
    std::string designs = std::string(argv[1]) + "/";
    std::vector<Image> images;

    SkinSource iconSource;
    IconSheet icons;
    if (!iconSource.open(designs + "icons.txt") || !icons.read(iconSource)) {
        std::fprintf(stderr, "make-skin: %s\n", iconSource.error().c_str());
        return 1;
    }
    for (const IconSheet::Icon& icon : icons.icons())
        images.push_back({icon.name, TgaEncoder::encode(*icon.image)});

    GlyphSheet interfaceFont;
    GlyphSheet gridFont;
    GlyphSheet boldGlyphs;
    if (!readFont(designs + "realfont2.txt", interfaceFont, true) || !readFont(designs + "realfont.txt", gridFont, true) ||
        !readFont(designs + "boldfont.txt", boldGlyphs, false))
        return 1;
    // The bold font is the interface font with every stroke doubled, except where that would fill
    // a glyph in.
    GlyphSheet boldFont = interfaceFont.emboldened();
    if (!boldFont.overrideWith(boldGlyphs)) {
        std::fprintf(stderr, "make-skin: boldfont.txt must have the height of realfont2.txt\n");
        return 1;
    }
    images.push_back(fontImage("realfont2.tga", interfaceFont));
    images.push_back(fontImage("realfont.tga", gridFont));
    images.push_back(fontImage("boldfont.tga", boldFont));

    return writePack(argv[2], images) ? 0 : 1;
}
