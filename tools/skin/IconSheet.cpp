#include "tools/skin/IconSheet.h"

#include "gui/KESOBitmap.h"
#include "tools/skin/SkinSource.h"

#include <cstdint>
#include <sstream>

bool IconSheet::read(SkinSource& source)
{
    palette_['.'] = TransparentColour;
    std::string line;
    while (source.nextStatement(line)) {
        if (line.rfind("colour ", 0) == 0) {
            if (!readColour(source, line))
                return false;
        } else if (line.rfind("icon ", 0) == 0) {
            if (!readIcon(source, line.substr(5)))
                return false;
        } else {
            return source.fail("expected \"colour\" or \"icon\": " + line);
        }
    }
    return true;
}

bool IconSheet::readColour(SkinSource& source, const std::string& line)
{
    std::istringstream fields(line.substr(7));
    std::string key;
    unsigned value = 0;
    if (!(fields >> key >> std::hex >> value) || key.size() != 1 || key == "." || value > 0xFFFF)
        return source.fail("expected \"colour <character> <RGB565 in hex>\"");
    palette_[key[0]] = value;
    return true;
}

bool IconSheet::readIcon(SkinSource& source, const std::string& name)
{
    std::vector<std::string> rows;
    std::string line;
    while (source.nextRow(line)) {
        if (!rows.empty() && line.size() != rows[0].size())
            return source.fail("every row of an icon has the same width");
        for (char c : line) {
            if (palette_.count(c) == 0)
                return source.fail(std::string("no colour for '") + c + "'");
        }
        rows.push_back(line);
    }
    if (rows.empty() || rows[0].empty())
        return source.fail("icon " + name + " has no rows");
    auto image = std::make_shared<KESOBitmap>();
    image->create(static_cast<int>(rows[0].size()), static_cast<int>(rows.size()));
    for (int y = 0; y < image->height(); ++y) {
        for (int x = 0; x < image->width(); ++x)
            image->setPixel(x, y, static_cast<std::uint16_t>(palette_[rows[y][x]]));
    }
    icons_.push_back({name, image});
    return true;
}
