// Fuzz target: any bytes as a drum sample file, loaded and played through.
#include "audio/NSample.h"
#include "fuzz/FuzzScratch.h"
#include "tests/support/WavBytes.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

extern "C" void ruziFuzzSeeds(std::vector<std::vector<std::uint8_t>>& seeds)
{
    std::vector<std::int16_t> tone(300);
    for (size_t i = 0; i < tone.size(); ++i)
        tone[i] = static_cast<std::int16_t>(12000 * std::sin(0.05 * static_cast<double>(i)));
    seeds.push_back(WavBytes::mono16(tone));
    seeds.push_back(WavBytes().format(1, 1, 22050, 2, 16).chunk("LIST", {'I', 'N', 'F', 'O'}).data(WavBytes::pcm16(tone)).bytes());
    seeds.push_back(WavBytes().format(1, 2, 44100, 4, 16).data(WavBytes::pcm16(tone)).bytes());
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::string path = fuzzScratchFile("sample.wav");
    static NSample sample;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return 0;
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    sample.load(String::fromUtf8(path));
    std::int32_t block[32] = {};
    for (int velocity : {100, 255}) {
        sample.trigger(0, velocity);
        for (int i = 0; i < 40; ++i)
            sample.render(block, 200);
    }
    return 0;
}
