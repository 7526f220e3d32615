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
    NSequencer& sequencer = NSequencer::instance();
    sequencer.resetDefaults();
    for (NSeqTrack& track : sequencer.tracks) {
        track.clear();
        track.machine = nullptr;
    }
}

class NVandrelCoreTest : public ::testing::Test {
protected:
    NVandrelCoreTest() { resetSequencer(); }
    ~NVandrelCoreTest() override
    {
        core.shutDown();
        resetSequencer();
    }

    FakeServices services;
    NSequencer& sequencer = NSequencer::instance();
    NVandrelCore core;
};

TEST_F(NVandrelCoreTest, InitWiresFiveMachinesIntoTheSequencerAndFourIntoTheMixer)
{
    sequencer.mode = 1;
    core.init();
    ASSERT_EQ(sequencer.machineCount, 5);
    for (int i = 0; i < NVandrelCore::SynthCount; ++i) {
        ASSERT_NE(core.synths[i], nullptr);
        EXPECT_EQ(sequencer.machine(i), core.synths[i]) << i;
        EXPECT_EQ(core.mixer.machine(i), core.synths[i]) << i;
    }
    ASSERT_NE(core.drums, nullptr);
    EXPECT_EQ(sequencer.machine(3), core.drums);
    EXPECT_EQ(sequencer.machine(4), &core.mixer);
    EXPECT_EQ(core.mixer.getMachineCount(), 4);
    EXPECT_EQ(core.mixer.machine(3), core.drums);
    EXPECT_EQ(sequencer.mode, 0); // init leaves the engine in pattern mode
}

TEST_F(NVandrelCoreTest, ASecondInitChangesNothing)
{
    core.init();
    NBassSynth* first = core.synths[0];
    NDrumMachine* drums = core.drums;
    core.init();
    EXPECT_EQ(core.synths[0], first);
    EXPECT_EQ(core.drums, drums);
    EXPECT_EQ(sequencer.machineCount, 5);
    EXPECT_EQ(core.mixer.getMachineCount(), 4);
}

TEST_F(NVandrelCoreTest, TheWiredEngineRendersAndKeepsTime)
{
    core.init();
    for (int n = 0; n < sequencer.machineCount; ++n)
        sequencer.machine(n)->resetDefaults();
    sequencer.setMode(1);
    sequencer.start();
    std::vector<std::int16_t> out(2 * 992);
    for (int segment = 0; segment < 100; ++segment) // about 2.25 s: past the first bar
        core.mixer.render(out.data(), 992);
    EXPECT_EQ(sequencer.position, 19 * 16); // steps begin at blocks 0, 172, ..., 3096 of 3100
}

TEST_F(NVandrelCoreTest, ShutDownReleasesTheMachinesAndEmptiesTheMixer)
{
    core.init();
    core.shutDown();
    for (NBassSynth* synth : core.synths)
        EXPECT_EQ(synth, nullptr);
    EXPECT_EQ(core.drums, nullptr);
    EXPECT_EQ(core.mixer.getMachineCount(), 0);
    core.shutDown(); // harmless a second time
}

TEST(NVandrelCore, IsOneObjectWithOneEngineLock)
{
    NVandrelCore& core = NVandrelCore::instance();
    EXPECT_EQ(&core, &NVandrelCore::instance());
    EXPECT_EQ(&core.engineLock(), &NVandrelCore::instance().engineLock());
    EXPECT_EQ(core.mixer.getMachineCount(), 0); // machines come only with init
}

} // namespace
