#include "engine/NVandrelCore.h"

#include "audio/NDrumMachine.h"
#include "engine/NBassSynth.h"
#include "engine/NSequencer.h"
#include "tests/support/FakeServices.h"

#include <gtest/gtest.h>

namespace {

void resetSequencer()
{
    NSequencer::instance().resetDefaults();
    for (NSeqTrack& track : NSequencer::instance().tracks) {
        track.clear();
        track.machine = nullptr;
    }
}

// Which machine goes where shows in every golden render; here the wiring's life.
TEST(NVandrelCoreTest, InitWiresTheMachinesOnceAndShutDownReleasesThem)
{
    resetSequencer();
    FakeServices services;
    NSequencer& sequencer = NSequencer::instance();
    NVandrelCore core;
    EXPECT_EQ(core.mixer.getMachineCount(), 0); // machines come only with init
    sequencer.mode = 1;
    core.init();
    NBassSynth* first = core.synths[0];
    core.init(); // a second init changes nothing
    EXPECT_EQ(core.synths[0], first);
    EXPECT_EQ(sequencer.machineCount, 5);
    EXPECT_EQ(core.mixer.getMachineCount(), 4);
    EXPECT_EQ(sequencer.mode, 0); // init leaves the engine in pattern mode

    core.shutDown();
    core.shutDown(); // harmless a second time
    for (NBassSynth* synth : core.synths)
        EXPECT_EQ(synth, nullptr);
    EXPECT_EQ(core.drums, nullptr);
    EXPECT_EQ(core.mixer.getMachineCount(), 0);
    resetSequencer();
}

} // namespace
