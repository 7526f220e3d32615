// ruzi-render against hostile songs, outputs and circumstances: what it refuses, how it says so,
// and that whatever it leaves behind is a valid file.
#include "tests/support/CommandRun.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const std::string renderer = std::string(RUZI_BIN_DIR) + "/ruzi-render";

bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// A loop of `bars` bars, stored at one tempo while the mixer plays another.
NSongDescription song(int bars, int storedTempo, int mixerTempo)
{
    NSongDescription s;
    s.tempo = storedTempo;
    s.loopStart = 0;
    s.loopEnd = bars;
    s.machines[4].songSet.assign(41, 0);
    s.machines[4].songSet[39] = mixerTempo;
    return s;
}

class RuziRenderOutput : public ::testing::Test {
protected:
    CommandRun render(const std::string& arguments) { return CommandRun::run(renderer + " " + arguments, dir.path("")); }

    void write(const NSongDescription& s, const std::string& name = "song.vdl")
    {
        ASSERT_TRUE(NSongBuilder::write(s, dir.file(name)));
    }

    TempDir dir;
};

TEST_F(RuziRenderOutput, InfoShowsTheTempoThatPlaysAndTheStoredOneWhereTheyDiffer)
{
    write(song(1, 1, 120), "slow.vdl");
    write(song(1, 97, 97), "same.vdl");
    EXPECT_TRUE(contains(render("--info slow.vdl").out,
                         "Tempo:      120 bpm (stored as 1 bpm), 16 steps per bar (5504 frames per step)\n"));
    EXPECT_TRUE(contains(render("--info same.vdl").out, "Tempo:      97 bpm, 16 steps per bar (6816 frames per step)\n"));
}

} // namespace
