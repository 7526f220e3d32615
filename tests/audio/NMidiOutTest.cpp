#include "audio/NMidiOut.h"

#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"

#include <gtest/gtest.h>

namespace {

using Messages = std::vector<FakeMidiPort::Message>;

TEST(NMidiOut, OpenResetsEveryChannelAndSendsOnlyWhileControlIsHeldToAnOpenPort)
{
    FakeServices services;
    FakeMidiPort port;
    NMidiOut& midi = NMidiOut::instance();
    EXPECT_TRUE(midi.open());
    midi.send(0x99, 36, 127);
    EXPECT_TRUE(port.messages.empty()); // not even the reset burst

    services.keyState.down.insert(KESOKeyState::Control);
    EXPECT_TRUE(midi.open()); // a second open closes the port first
    EXPECT_EQ(port.opens, 2);
    EXPECT_EQ(port.closes, 1);
    Messages reset;
    for (int channel = 0; channel < 16; ++channel)
        reset.insert(reset.end(), {{0xB0 + channel, 120, 0}, {0xB0 + channel, 123, 0}, {0xB0 + channel, 11, 127},
                                   {0xB0 + channel, 7, 127}});
    EXPECT_EQ(std::exchange(port.messages, {}), reset);
    midi.send(0x99, 36, 127);
    EXPECT_EQ(std::exchange(port.messages, {}), (Messages{{0x99, 36, 127}}));

    midi.close();
    midi.close(); // nothing open: nothing to close
    EXPECT_EQ(port.closes, 2);
    midi.send(0x90, 48, 100);
    port.accepts = false;
    EXPECT_FALSE(midi.open());
    KESOServices::instance().midiPort = nullptr;
    EXPECT_FALSE(midi.open());
    midi.send(0x90, 48, 100);
    EXPECT_EQ(port.closes, 2);
    EXPECT_TRUE(port.messages.empty());
}

} // namespace
