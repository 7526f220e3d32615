#include "audio/NMidiOut.h"

#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"

#include <gtest/gtest.h>

#include <array>
#include <utility>

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
    EXPECT_EQ((std::array{port.opens, port.closes}), (std::array{2, 1}));
    Messages expected;
    for (int channel = 0; channel < 16; ++channel)
        expected.insert(expected.end(), {{0xB0 + channel, 120, 0}, {0xB0 + channel, 123, 0},
                                         {0xB0 + channel, 11, 127}, {0xB0 + channel, 7, 127}});
    midi.send(0x99, 36, 127);
    expected.push_back({0x99, 36, 127});
    EXPECT_EQ(std::exchange(port.messages, {}), expected);

    midi.close();
    port.accepts = false; // a port that will not open: nothing goes out
    EXPECT_FALSE(midi.open());
    midi.send(0x90, 48, 100);
    EXPECT_TRUE(port.messages.empty());
}

} // namespace
