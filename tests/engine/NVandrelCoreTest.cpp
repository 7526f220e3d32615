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

// How the wired engine sounds is pinned by the golden renders; here the wiring's life.
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
    ASSERT_EQ(sequencer.machineCount, 5);
    ASSERT_EQ(core.mixer.getMachineCount(), 4);
    NMachine* const machines[] = {core.synths[0], core.synths[1], core.synths[2], core.drums};
    for (int i = 0; i < 4; ++i) {
        ASSERT_NE(machines[i], nullptr);
        EXPECT_EQ(sequencer.machine(i), machines[i]) << i;
        EXPECT_EQ(core.mixer.machine(i), machines[i]) << i;
    }
    EXPECT_EQ(sequencer.machine(4), &core.mixer);
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
