// Writes the default drum kit, the twelve WAV files the drum machine loads when a song names no
// samples: make-drumkit OUTDIR.
#include "tools/drumkit/NDrumSynth.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-drumkit OUTDIR\n");
        return 2;
    }
    // Absolute, so that the file layer does not resolve it against the tool's own folder.
    std::error_code error;
    std::filesystem::path folder = std::filesystem::absolute(argv[1], error);
    if (!error)
        std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "make-drumkit: cannot create %s: %s\n", argv[1], error.message().c_str());
        return 1;
    }
    for (const NDrumSynth::KitSound& sound : NDrumSynth::kit) {
        std::string path = (folder / sound.file).string();
        if (!NDrumSynth::writeWav(String::fromUtf8(path), sound.make())) {
            std::fprintf(stderr, "make-drumkit: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
