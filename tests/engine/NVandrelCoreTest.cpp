#include "engine/NVandrelCore.h"

#include "engine/NSequencer.h"
#include "tests/support/FakeServices.h"
#include "tests/support/RecordingMachine.h"

#include <gtest/gtest.h>

#include <array>

// Which machine goes where shows in every golden render; here the wiring's life.
TEST(NVandrelCoreTest, InitWiresTheMachinesOnceAndShutDownReleasesThem)
{
    resetEngineForTest();
    FakeServices services;
    NVandrelCore core;
    NSequencer::instance().mode = 1;
    core.init();
    NBassSynth* first = core.synths[0];
    core.init(); // a second init changes nothing
    EXPECT_EQ(core.synths[0], first);
    EXPECT_EQ((std::array{NSequencer::instance().machineCount, core.mixer.getMachineCount()}), (std::array{5, 4}));
    EXPECT_EQ(NSequencer::instance().mode, 0); // init leaves the engine in pattern mode

    core.shutDown();
    core.shutDown(); // harmless a second time
    EXPECT_TRUE(core.synths[2] == nullptr && core.drums == nullptr);
    EXPECT_EQ(core.mixer.getMachineCount(), 0);
    resetEngineForTest();
}
