#include "engine/NVandrelCore.h"

#include "audio/NDrumMachine.h"
#include "engine/NBassSynth.h"
#include "engine/NSequencer.h"
#include "tests/support/FakeServices.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

void resetSequencer()
{
    NSequencer::instance().resetDefaults();
    for (NSeqTrack& track : NSequencer::instance().tracks) {
        track.clear();
        track.machine = nullptr;
    }
}

TEST(NVandrelCoreTest, InitWiresTheMachinesOnceRendersInTimeAndShutDownReleasesThem)
{
    resetSequencer();
    FakeServices services;
    NSequencer& sequencer = NSequencer::instance();
    NVandrelCore core;
    EXPECT_EQ(NVandrelCore::instance().mixer.getMachineCount(), 0); // machines come only with init
    sequencer.mode = 1;
    core.init();
    NBassSynth* first = core.synths[0];
    core.init(); // a second init changes nothing
    EXPECT_EQ(core.synths[0], first);
    ASSERT_EQ(sequencer.machineCount, 5);
    ASSERT_EQ(core.mixer.getMachineCount(), 4);
    for (int i = 0; i < NVandrelCore::SynthCount; ++i) {
        ASSERT_NE(core.synths[i], nullptr);
        EXPECT_EQ(sequencer.machine(i), core.synths[i]) << i;
        EXPECT_EQ(core.mixer.machine(i), core.synths[i]) << i;
    }
    ASSERT_NE(core.drums, nullptr);
    EXPECT_EQ(sequencer.machine(3), core.drums);
    EXPECT_EQ(core.mixer.machine(3), core.drums);
    EXPECT_EQ(sequencer.machine(4), &core.mixer);
    EXPECT_EQ(sequencer.mode, 0); // init leaves the engine in pattern mode

    for (int n = 0; n < sequencer.machineCount; ++n)
        sequencer.machine(n)->resetDefaults();
    sequencer.setMode(1);
    sequencer.start();
    std::vector<std::int16_t> out(2 * 992);
    for (int segment = 0; segment < 100; ++segment) // about 2.25 s: past the first bar
        core.mixer.render(out.data(), 992);
    EXPECT_EQ(sequencer.position, 19 * 16); // steps begin at blocks 0, 172, ..., 3096 of 3100

    core.shutDown();
    core.shutDown(); // harmless a second time
    for (NBassSynth* synth : core.synths)
        EXPECT_EQ(synth, nullptr);
    EXPECT_EQ(core.drums, nullptr);
    EXPECT_EQ(core.mixer.getMachineCount(), 0);
    resetSequencer();
}

} // namespace
