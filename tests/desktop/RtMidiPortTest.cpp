#include "platform/desktop/RtMidiPort.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <unistd.h>

namespace {

const char* const Sequencer = "/dev/snd/seq";

bool haveSequencer()
{
    return access(Sequencer, R_OK | W_OK) == 0;
}

// What the action writes to descriptor 2: stderr, std::cerr and C libraries alike.
std::string stderrOf(const std::function<void()>& action)
{
    std::FILE* file = std::tmpfile();
    const int saved = dup(2);
    std::fflush(stderr);
    dup2(fileno(file), 2);
    action();
    std::fflush(stderr);
    dup2(saved, 2);
    ::close(saved);
    std::string text;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;)
        text += static_cast<char>(c);
    std::fclose(file);
    return text;
}

// Opening, sending and closing on a port that cannot open: all harmless, and not a word printed.
void expectClosedAndQuiet(const std::string& sequencerDevice)
{
    RtMidiPort port(sequencerDevice);
    bool opened = true, reopened = true;
    const std::string printed = stderrOf([&] {
        opened = port.open();
        port.shortMessage(0x502C0); // program change, channel 0, program 80
        port.shortMessage(0x7F2490);
        port.close();
        port.close();
        reopened = port.open();
        port.shortMessage(0x7F2490);
    });
    EXPECT_FALSE(opened) << sequencerDevice;
    EXPECT_FALSE(reopened) << sequencerDevice;
    EXPECT_FALSE(port.isOpen()) << sequencerDevice;
    EXPECT_EQ(printed, "") << sequencerDevice;
}

TEST(RtMidiPortTest, WithoutASequencerThePortStaysClosedAndSilent)
{
    expectClosedAndQuiet("/nonexistent/snd/seq");
    if (haveSequencer())
        return; // the rest plays a sequencer that is there but fails, which needs none on the machine
    expectClosedAndQuiet(Sequencer);
    // A device that passes the check while ALSA still finds no sequencer: RtMidi and ALSA are
    // reached, fail and would print, and RtMidi would throw.
    TempDir dir;
    dir.writeBytes("seq", {});
    expectClosedAndQuiet(dir.path("seq"));
}

TEST(RtMidiPortTest, EachStatusGoesOutWithItsOwnLength)
{
    for (int status : {0x80, 0x90, 0x99, 0xA0, 0xB0, 0xBF, 0xE0, 0xEF, 0xF2})
        EXPECT_EQ(RtMidiPort::messageLength(status), 3) << std::hex << status;
    // A third byte would go out as a second program change in running status.
    for (int status : {0xC0, 0xC6, 0xD0, 0xDF, 0xF1, 0xF3})
        EXPECT_EQ(RtMidiPort::messageLength(status), 2) << std::hex << status;
    for (int status : {0xF6, 0xF8, 0xFA, 0xFC, 0xFE, 0xFF})
        EXPECT_EQ(RtMidiPort::messageLength(status), 1) << std::hex << status;
    for (int status : {0x00, 0x24, 0x7F, 0xF0, 0xF4, 0xF7, 0xFD})
        EXPECT_EQ(RtMidiPort::messageLength(status), 0) << std::hex << status;
}

TEST(RtMidiPortTest, OpensSendsAndClosesOnARealSequencer)
{
    if (!haveSequencer())
        GTEST_SKIP() << "no ALSA sequencer here (" << Sequencer << " is missing or not readable and writable)";
    RtMidiPort port;
    ASSERT_TRUE(port.open());
    port.shortMessage(0x502C0);
    port.shortMessage(0x7F2490);
    port.shortMessage(0x002480);
    EXPECT_TRUE(port.open()); // reopens
    port.close();
    EXPECT_FALSE(port.isOpen());
}

} // namespace
