// --stems from the command line: the mix as without it, and one file per machine beside it.
#include "tests/support/CommandRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

namespace {

const std::string renderer = std::string(RUZI_BIN_DIR) + "/ruzi-render";
const char* const stemNames[] = {"SYN1", "SYN2", "SYN3", "DRM"};

TEST(RuziRenderStems, WritesOneFilePerMachineBesideAnUnchangedMix)
{
    TempDir dir;
    ASSERT_EQ(CommandRun::run(renderer + " --quiet -o plain.wav --seamless --tail 0.2", dir.path("")).status, 0);
    CommandRun run = CommandRun::run(renderer + " -o mix.wav --stems --seamless --tail 0.2", dir.path(""));
    ASSERT_EQ(run.status, 0) << run.err;
    const std::vector<unsigned char> mix = dir.readBytes("mix.wav");
    EXPECT_TRUE(mix == dir.readBytes("plain.wav"));
    for (const char* name : stemNames) {
        const std::string stem = std::string("mix.") + name + ".wav";
        const std::vector<unsigned char> bytes = dir.readBytes(stem);
        ASSERT_EQ(bytes.size(), mix.size()) << stem;
        EXPECT_TRUE(std::equal(bytes.begin(), bytes.begin() + 44, mix.begin())) << stem << ": another header";
        EXPECT_FALSE(bytes == mix) << stem << " is the whole mix";
        EXPECT_NE(run.out.find("Wrote " + dir.path(stem)), std::string::npos) << run.out;
    }
}

} // namespace
