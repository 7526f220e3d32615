// Nanoseconds per 32-frame block of the whole engine: four machines sounding, distortion, delay
// and reverb on, the sequencer ticking.
#include "bench/BusySong.h"
#include "engine/NSongCommands.h"
#include "engine/NVandrelCore.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>

static void MixerRenderBlock(benchmark::State& state)
{
    static bool ready = false;
    if (!ready) {
        std::string folder = (std::filesystem::temp_directory_path() / "ruzi-mixer-bench").string();
        ready = BusySong::load(folder, BusySong::write(folder, 8));
    }
    NSongCommands::setLoopOn(true);
    NSongCommands::start();
    std::int16_t out[64];
    for (auto _ : state) {
        NVandrelCore::instance().mixer.render(out, 32);
        benchmark::DoNotOptimize(out);
    }
    NSongCommands::stop();
}
BENCHMARK(MixerRenderBlock);
