#include "audio/NMidiOut.h"

#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"

#include <gtest/gtest.h>

namespace {

using Messages = std::vector<FakeMidiPort::Message>;

class NMidiOutTest : public ::testing::Test {
protected:
    void holdControl() { services.keyState.down.insert(KESOKeyState::Control); }

    FakeServices services;
    FakeMidiPort port;
    NMidiOut& midi = NMidiOut::instance();
};

TEST_F(NMidiOutTest, OpenResetsEveryChannelAndSendsOnlyWhileControlIsHeld)
{
    EXPECT_TRUE(midi.open());
    midi.send(0x99, 36, 127);
    EXPECT_TRUE(port.messages.empty()); // not even the reset burst

    holdControl();
    EXPECT_TRUE(midi.open());
    Messages reset;
    for (int channel = 0; channel < 16; ++channel)
        reset.insert(reset.end(), {{0xB0 + channel, 120, 0}, {0xB0 + channel, 123, 0}, {0xB0 + channel, 11, 127},
                                   {0xB0 + channel, 7, 127}});
    EXPECT_EQ(std::exchange(port.messages, {}), reset);
    midi.send(0x99, 36, 127);
    EXPECT_EQ(port.messages, (Messages{{0x99, 36, 127}}));
}

TEST_F(NMidiOutTest, ARefusedMissingOrClosedPortGetsNothing)
{
    holdControl();
    EXPECT_TRUE(midi.open());
    EXPECT_TRUE(midi.open()); // a second open closes the port first
    EXPECT_EQ(port.opens, 2);
    EXPECT_EQ(port.closes, 1);
    midi.close();
    midi.close();
    EXPECT_EQ(port.closes, 2);
    port.messages.clear();
    port.accepts = false;
    EXPECT_FALSE(midi.open());
    midi.close(); // nothing open: nothing to close
    EXPECT_EQ(port.closes, 2);
    KESOServices::instance().midiPort = nullptr;
    EXPECT_FALSE(midi.open());
    midi.send(0x90, 48, 100);
    EXPECT_TRUE(port.messages.empty());
}

} // namespace
