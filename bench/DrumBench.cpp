// Cost of the drum machine's render: nanoseconds per 32-frame block with all twelve pads sounding,
// with the lowpass off (argument 0) and on (argument 1).

#include "audio/NDrumMachine.h"
#include "audio/NWavHeader.h"
#include "engine/NSequencer.h"
#include "engine/NTables.h"
#include "foundation/ChunkFile.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int SoundFrames = 65536; // 2048 blocks: every pad sounds between two triggers

// A 16-bit mono WAV file of a decaying square wave, different for every pad.
bool writeSound(const std::string& path, int pad)
{
    std::vector<std::int16_t> frames(SoundFrames);
    for (int i = 0; i < SoundFrames; ++i) {
        int amplitude = 30000 - (i * 29) / 64;
        frames[static_cast<size_t>(i)] = static_cast<std::int16_t>(((i / (8 + pad)) & 1) ? amplitude : -amplitude);
    }
    ChunkFile file(String::fromUtf8(path), false);
    NWavHeader::begin(file, 1);
    file.writeBytes(frames.data(), SoundFrames * 2);
    file.ascend();
    file.ascend();
    return file.finish();
}

class Kit {
public:
    Kit() : folder_(std::filesystem::temp_directory_path() / "ruzi-drum-bench")
    {
        std::filesystem::create_directories(folder_);
    }
    ~Kit()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }

    bool loadInto(NDrumMachine& drum)
    {
        for (int pad = 0; pad < NDrumMachine::Slots; ++pad) {
            std::string path = (folder_ / ("pad" + std::to_string(pad) + ".wav")).string();
            if (!writeSound(path, pad) || !drum.sample(pad).load(String::fromUtf8(path)))
                return false;
        }
        return true;
    }

private:
    std::filesystem::path folder_;
};

void triggerAll(NDrumMachine& drum)
{
    for (int pad = 0; pad < NDrumMachine::Slots; ++pad)
        drum.sample(pad).trigger(NSample::UnitStep, 255);
}

void DrumRenderTwelveVoices(benchmark::State& state)
{
    NTables::buildTables();
    NSequencer::instance().mode = 1;
    Kit kit;
    NDrumMachine drum;
    if (!kit.loadInto(drum)) {
        state.SkipWithError("could not write the bench kit");
        return;
    }
    drum.setParameter(NDrumMachine::FilterOn, static_cast<int>(state.range(0)));
    drum.setParameter(NDrumMachine::FilterCutoff, 120);
    drum.setParameter(NDrumMachine::FilterResonance, 200);

    std::int32_t block[ntime::BlockFrames];
    int blocks = 0;
    for (auto _ : state) {
        if (blocks++ % (SoundFrames / ntime::BlockFrames) == 0)
            triggerAll(drum);
        drum.render(block);
        benchmark::DoNotOptimize(block);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * ntime::BlockFrames); // frames
}

} // namespace

BENCHMARK(DrumRenderTwelveVoices)->ArgName("filter")->Arg(0)->Arg(1);
