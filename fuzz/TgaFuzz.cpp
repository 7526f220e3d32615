// Fuzz target: any bytes as a TGA image, converted and drawn onto a small bitmap.
#include "gui/KESOBitmap.h"

#include <cstdint>
#include <vector>

extern "C" void ruziFuzzSeeds(std::vector<std::vector<std::uint8_t>>& seeds)
{
    // An uncompressed 16-bit true-colour image of 5 x 3 pixels, bottom-up, then one top-down.
    for (std::uint8_t descriptor : {0x00, 0x20}) {
        std::vector<std::uint8_t> tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 5, 0, 3, 0, 16, descriptor};
        for (int i = 0; i < 15; ++i) {
            tga.push_back(static_cast<std::uint8_t>(i * 37));
            tga.push_back(static_cast<std::uint8_t>(i * 11));
        }
        seeds.push_back(tga);
    }
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    KESOBitmap image;
    image.loadTGA(data, static_cast<int>(size < 0x7FFFFFFF ? size : 0x7FFFFFFF));
    KESOBitmap target;
    target.create(16, 16);
    image.blit(target, -2, -2, 0, 0, image.width(), image.height(), copyRowKeyed, 0, true);
    image.blitCentred(target, 8, 8, copyRow, 0);
    return 0;
}
