// Fuzz target: any bytes as the skin packfile, loaded into a fresh cache and asked for its images.
#include "gui/NBitmapCache.h"
#include "foundation/KESOString.h"
#include "fuzz/FuzzScratch.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::filesystem::path folder = std::filesystem::path(fuzzScratchFile("skin.dat")).parent_path();
    const std::string path = (folder / "skin.dat").string();
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    NBitmapCache cache;
    cache.loadPackfile(String::fromUtf8(path));
    for (const char* name : {"play.tga", "realfont.tga", "boldfont.tga"})
        cache.request(String::fromUtf8((folder / name).string()));
    return 0;
}
