// Nanoseconds per block of the whole engine: four machines sounding, distortion, delay
// and reverb on, the sequencer ticking.
#include "bench/BusySong.h"
#include "engine/NSequencer.h"
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
    NSequencer& sequencer = NSequencer::instance();
    sequencer.loopOn = true;
    sequencer.start();
    std::int16_t out[2 * ntime::BlockFrames];
    for (auto _ : state) {
        NVandrelCore::instance().mixer.render(out, ntime::BlockFrames);
        benchmark::DoNotOptimize(out);
    }
    sequencer.stop();
}
BENCHMARK(MixerRenderBlock);
