// make-icons FOLDER: draws the program's icons into FOLDER in the freedesktop.org icon theme
// layout: the program (SIZExSIZE/apps/ruzi-zevivuvo.png) and its song files
// (SIZExSIZE/mimetypes/application-x-vandrelstudio-song.png), 48 and 128 pixels square.
//
// The design: the handheld's dark body with its screen showing the sequencer's rows, one colour per
// machine, a play button and two drum pads; a song file is a page carrying the same rows.
#include "tools/icons/IconCanvas.h"
#include "tools/preview/PngWriter.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

// One colour per row of the sequencer: the three synthesizers and the drums.
constexpr std::uint32_t RowColours[4] = {0xFFE000, 0xFF8A00, 0x20C8FF, 0xFF3050};
constexpr std::uint32_t UnlitCell = 0x2C343C;
// Which cells are lit, row by row, one bit per column from the left.
constexpr unsigned RowPatterns[4] = {0b110110, 0b011011, 0b100101, 0b101010};

void drawRows(IconCanvas& canvas, double x0, double y0, double x1, double y1, int columns, bool unlitShown)
{
    const double columnWidth = (x1 - x0) / columns;
    const double rowHeight = (y1 - y0) / 4;
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < columns; ++column) {
            const bool lit = ((RowPatterns[row] >> (columns - 1 - column)) & 1) != 0;
            if (!lit && !unlitShown)
                continue;
            const std::uint32_t colour = lit ? RowColours[row] : UnlitCell;
            const double cx = x0 + column * columnWidth;
            const double cy = y0 + row * rowHeight;
            canvas.roundedRect(cx + columnWidth * 0.12, cy + rowHeight * 0.14, cx + columnWidth * 0.88,
                               cy + rowHeight * 0.86, columnWidth * 0.12, colour, colour);
        }
    }
}

IconCanvas programIcon(int size)
{
    IconCanvas canvas(size);
    canvas.roundedRect(0.04, 0.04, 0.96, 0.96, 0.16, 0x5A5A64, 0x26262C);
    canvas.roundedRect(0.12, 0.12, 0.88, 0.62, 0.05, 0x0C1014, 0x1C232A);
    drawRows(canvas, 0.16, 0.16, 0.84, 0.58, 6, true);
    canvas.triangle({0.18, 0.18, 0.36}, {0.68, 0.88, 0.78}, 0xFFE000);
    canvas.roundedRect(0.46, 0.69, 0.64, 0.87, 0.03, 0xFF5070, 0xD02040);
    canvas.roundedRect(0.70, 0.69, 0.88, 0.87, 0.03, 0x50D8FF, 0x1090C8);
    return canvas;
}

IconCanvas songIcon(int size)
{
    constexpr std::uint32_t Page = 0xEEEEEE;
    IconCanvas canvas(size);
    // A page with its top right corner folded down.
    canvas.roundedRect(0.16, 0.05, 0.67, 0.95, 0.02, Page, Page);
    canvas.roundedRect(0.66, 0.23, 0.84, 0.95, 0.02, Page, Page);
    canvas.triangle({0.66, 0.84, 0.66}, {0.05, 0.23, 0.23}, Page);
    canvas.triangle({0.66, 0.66, 0.84}, {0.05, 0.23, 0.23}, 0xB8B8B8);
    canvas.roundedRect(0.24, 0.34, 0.76, 0.86, 0.03, 0x0C1014, 0x1C232A);
    drawRows(canvas, 0.27, 0.37, 0.73, 0.83, 4, true);
    return canvas;
}

bool writeIcon(const std::filesystem::path& folder, const char* context, const char* name, const IconCanvas& canvas)
{
    const std::string sizeName = std::to_string(canvas.size()) + "x" + std::to_string(canvas.size());
    const std::filesystem::path dir = folder / sizeName / context;
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    const std::string path = (dir / (std::string(name) + ".png")).string();
    if (error || !PngWriter::writeWithAlpha(path, canvas.pixels(), canvas.size(), canvas.size())) {
        std::fprintf(stderr, "make-icons: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: make-icons FOLDER\n", stderr);
        return 1;
    }
    const std::filesystem::path folder = argv[1];
    bool written = true;
    for (int size : {48, 128}) {
        written = writeIcon(folder, "apps", "ruzi-zevivuvo", programIcon(size)) && written;
        written = writeIcon(folder, "mimetypes", "application-x-vandrelstudio-song", songIcon(size)) && written;
    }
    return written ? 0 : 1;
}
