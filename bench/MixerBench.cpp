// Nanoseconds per block of the whole engine: four machines sounding, distortion, delay
// and reverb on, the sequencer ticking.
#include "bench/BusySong.h"
#include "engine/NSongCommands.h"
#include "engine/NTime.h"
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
    std::int16_t out[2 * ntime::BlockFrames];
    for (auto _ : state) {
        NVandrelCore::instance().mixer.render(out, ntime::BlockFrames);
        benchmark::DoNotOptimize(out);
    }
    NSongCommands::stop();
}
BENCHMARK(MixerRenderBlock);
