#include "fuzz/FuzzScratch.h"

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {

std::string scratchFolder;

void removeScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(scratchFolder, ignored);
}

} // namespace

std::string fuzzScratchFile(const char* name)
{
    if (scratchFolder.empty()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "ruzi-fuzz-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr)
            std::abort(); // nowhere to write the inputs: nothing to fuzz
        scratchFolder = pattern;
        std::atexit(removeScratchFolder);
    }
    return scratchFolder + "/" + name;
}
