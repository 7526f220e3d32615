// Nanoseconds per 32-frame block of one bass synthesizer holding a note, for each waveform and for
// the heavier paths (dual filter, ring modulation). One block is 0.726 ms of audio.

#include "engine/NBassSynth.h"
#include "engine/NSequencer.h"
#include "engine/NTables.h"

#include <benchmark/benchmark.h>

namespace {

enum Variant { Plain = 0, Dual = 1, Ring = 2, RingDual = 3 };

void BassSynthBlock(benchmark::State& state)
{
    NTables::buildTables();
    NSequencer::instance().mode = 0;
    NBassSynth synth(0);
    synth.setCurrentSetParameter(NBassSynth::Wave1, static_cast<int>(state.range(0)));
    synth.setCurrentSetParameter(NBassSynth::Wave2, NOscillator::Saw);
    synth.setCurrentSetParameter(NBassSynth::Resonance, 200);
    int variant = static_cast<int>(state.range(1));
    synth.setCurrentSetParameter(NBassSynth::DualFilter, (variant & Dual) != 0);
    synth.setCurrentSetParameter(NBassSynth::RingModulation, (variant & Ring) != 0);
    synth.setPattern(0);
    synth.onEvent(NSequencer::StepEvent);
    // Hold the note so the whole voice keeps working; the cutoff stays swept by the envelope.
    synth.ampEnvelope.decayStep = 0;
    synth.ampEnvelope.rate = 0;

    std::int32_t block[ntime::BlockFrames];
    for (auto _ : state) {
        synth.render(block);
        benchmark::DoNotOptimize(block);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * ntime::BlockFrames);
}

} // namespace

BENCHMARK(BassSynthBlock)
    ->ArgNames({"wave", "variant"})
    ->Args({NOscillator::Saw, Plain})
    ->Args({NOscillator::Square, Plain})
    ->Args({NOscillator::Triangle, Plain})
    ->Args({NOscillator::Sine, Plain})
    ->Args({NOscillator::Pulse, Plain})
    ->Args({NOscillator::Noise, Plain})
    ->Args({NOscillator::Saw, Dual})
    ->Args({NOscillator::Saw, Ring})
    ->Args({NOscillator::Saw, RingDual});
