#include "engine/NVandrelCore.h"

#include "audio/NDrumMachine.h"
#include "audio/NRandom.h"
#include "engine/NBassSynth.h"
#include "engine/NSequencer.h"
#include "foundation/MemoryTracker.h"

NVandrelCore& NVandrelCore::instance()
{
    static NVandrelCore core;
    return core;
}

void NVandrelCore::init()
{
    if (drums != nullptr)
        return;
    NSequencer& sequencer = NSequencer::instance();
    for (int i = 0; i < SynthCount; ++i) {
        KESO_OWNER("NVandrelCore::init");
        synths[i] = new NBassSynth(i);
        mixer.addMachine(synths[i]);
        sequencer.addMachine(synths[i]);
    }
    KESO_OWNER("NVandrelCore::init");
    drums = new NDrumMachine();
    mixer.addMachine(drums);
    sequencer.addMachine(drums);
    sequencer.addMachine(&mixer);
    sequencer.setMode(0);
}

void NVandrelCore::resetRunState()
{
    // Automation (the tempo's included) is chased again when the export moves to the loop start.
    NSequencer::instance().resetRunState();
    mixer.resetRunState();
    NRandom::reset();
}

void NVandrelCore::shutDown()
{
    // The mixer outlives its machines; it must not reach for them again.
    mixer.clearMachines();
    for (NBassSynth*& synth : synths) {
        if (synth != nullptr) {
            KESO_OWNER("NVandrelCore::shutDown");
            delete synth;
            synth = nullptr;
        }
    }
    if (drums != nullptr) {
        KESO_OWNER("NVandrelCore::shutDown");
        delete drums;
        drums = nullptr;
    }
}
