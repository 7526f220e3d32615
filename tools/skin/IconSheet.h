#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

class KESOBitmap;
class SkinSource;

// The skin's icons, drawn as text with a palette of one character per colour.
class IconSheet {
public:
    struct Icon {
        std::string name;
        std::shared_ptr<KESOBitmap> image;
    };

    bool read(SkinSource& source);
    const std::vector<Icon>& icons() const { return icons_; }

private:
    bool readColour(SkinSource& source, const std::string& line);
    bool readIcon(SkinSource& source, const std::string& name);

    std::map<char, unsigned> palette_;
    std::vector<Icon> icons_;
};
