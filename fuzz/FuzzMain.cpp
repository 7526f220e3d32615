// A driver for the fuzz targets that needs no fuzzing engine: it replays files given on the command
// line, or, with --mutate N, feeds N deterministic mutations of each seed file to the target. Under
// the sanitizers that finds the reads outside a buffer a hostile file could cause. A libFuzzer
// build links the same targets without this file, and uses it with --write-seeds DIR to get the
// seeds (those given and those the target makes) as files for its corpus.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
// A target may make its own seed inputs, for formats whose good files are made by code.
extern "C" __attribute__((weak)) void ruziFuzzSeeds(std::vector<std::vector<std::uint8_t>>& seeds);

namespace {

std::vector<std::uint8_t> readFile(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void mutate(std::vector<std::uint8_t>& bytes, std::mt19937& random)
{
    int edits = 1 + static_cast<int>(random() % 4);
    for (int e = 0; e < edits && !bytes.empty(); ++e) {
        std::size_t at = random() % bytes.size();
        switch (random() % 5) {
        case 0: bytes[at] = static_cast<std::uint8_t>(random()); break;
        case 1: bytes[at] ^= static_cast<std::uint8_t>(1u << (random() % 8)); break;
        case 2: bytes.resize(at); break; // cut short
        case 3: // a length or count made absurd
            for (std::size_t k = at & ~std::size_t{3}; k < bytes.size() && k < (at & ~std::size_t{3}) + 4; ++k)
                bytes[k] = (random() % 2) ? 0xFF : 0x7F;
            break;
        default: bytes.insert(bytes.begin() + static_cast<long>(at), static_cast<std::uint8_t>(random())); break;
        }
    }
}

void writeSeeds(const std::vector<std::vector<std::uint8_t>>& seeds, const std::filesystem::path& folder)
{
    std::filesystem::create_directories(folder);
    for (std::size_t i = 0; i < seeds.size(); ++i) {
        std::ofstream out(folder / ("seed-" + std::to_string(i)), std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(seeds[i].data()), static_cast<std::streamsize>(seeds[i].size()));
        if (!out)
            std::exit(1);
    }
    std::printf("%zu seeds written to %s\n", seeds.size(), folder.c_str());
}

} // namespace

int main(int argc, char** argv)
{
    int mutations = 0;
    int first = 1;
    const char* seedFolder = nullptr;
    if (argc > 2 && std::string(argv[1]) == "--mutate") {
        mutations = std::atoi(argv[2]);
        first = 3;
    } else if (argc > 2 && std::string(argv[1]) == "--write-seeds") {
        seedFolder = argv[2];
        first = 3;
    }
    std::mt19937 random(12345);
    long runs = 0;
    std::vector<std::vector<std::uint8_t>> seeds;
    for (int i = first; i < argc; ++i)
        seeds.push_back(readFile(argv[i]));
    if (ruziFuzzSeeds != nullptr)
        ruziFuzzSeeds(seeds);
    if (seedFolder != nullptr) {
        writeSeeds(seeds, seedFolder);
        return 0;
    }
    for (const std::vector<std::uint8_t>& seed : seeds) {
        LLVMFuzzerTestOneInput(seed.data(), seed.size());
        ++runs;
        for (int m = 0; m < mutations; ++m) {
            std::vector<std::uint8_t> bytes = seed;
            mutate(bytes, random);
            LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
            ++runs;
        }
    }
    std::printf("%ld inputs ran\n", runs);
    return 0;
}
