#include "platform/desktop/RtMidiPort.h"

#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

// Opening, sending and closing on a port that cannot open: all harmless, and not a word printed
// on descriptor 2 (stderr, std::cerr and C libraries alike).
void expectClosedAndQuiet(const std::string& sequencerDevice)
{
    RtMidiPort port(sequencerDevice);
    std::FILE* printed = std::tmpfile();
    const int savedStderr = dup(2);
    dup2(fileno(printed), 2);
    const bool opened = port.open();
    port.shortMessage(0x502C0); // program change, channel 0, program 80
    port.close();
    const bool reopened = port.open();
    port.shortMessage(0x7F2490);
    std::fflush(stderr);
    dup2(savedStderr, 2);
    close(savedStderr);
    EXPECT_FALSE(opened || reopened || port.isOpen()) << sequencerDevice;
    EXPECT_EQ(std::ftell(printed), 0L) << sequencerDevice;
    std::fclose(printed);
}

} // namespace

TEST(RtMidiPortTest, WithoutASequencerThePortStaysClosedAndSilent)
{
    expectClosedAndQuiet("/nonexistent/snd/seq");
    // A device that passes the check while ALSA still finds no sequencer: RtMidi and ALSA are
    // reached, fail and would print, and RtMidi would throw.
    if (access("/dev/snd/seq", F_OK) != 0) {
        TempDir dir;
        dir.writeBytes("seq", {});
        expectClosedAndQuiet(dir.path("seq"));
    }
}
