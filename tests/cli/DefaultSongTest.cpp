#include "tests/support/CommandRun.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

// The bundled song as a user first hears it: its loop rendered by ruzi-render, with every machine
// and the drum kit our tools make.
TEST(DefaultSong, ItsLoopSoundsOnBothSidesWithoutClipping)
{
    TempDir dir;
    CommandRun run = CommandRun::run(std::string(RUZI_BIN_DIR) + "/ruzi-render --info", dir.path(""));
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out.find("not loaded"), std::string::npos) << "every pad of the default kit loads:\n" << run.out;

    ASSERT_EQ(CommandRun::run(std::string(RUZI_BIN_DIR) + "/ruzi-render --quiet -o loop.wav", dir.path("")).status, 0);
    std::vector<unsigned char> wav = dir.readBytes("loop.wav");
    // 124 bpm: 2646000 / 496 = 5334 frames, whole blocks of 32: 5312 frames a step; 4 bars of 16 steps.
    const std::size_t frames = 4 * 16 * 5312;
    ASSERT_EQ(wav.size(), 44 + frames * 4);

    double energy[2] = {0, 0};
    int clippedRun = 0;
    int longestClippedRun = 0;
    for (std::size_t i = 0; i < frames * 2; ++i) {
        auto v = static_cast<std::int16_t>(wav[44 + 2 * i] | (wav[45 + 2 * i] << 8));
        energy[i % 2] += static_cast<double>(v) * v;
        clippedRun = (v == 32767 || v == -32768) ? clippedRun + 1 : 0;
        longestClippedRun = std::max(longestClippedRun, clippedRun);
    }
    for (double e : energy)
        EXPECT_GT(std::sqrt(e / static_cast<double>(frames)), 1000.0); // well above -30 dBFS
    EXPECT_LE(longestClippedRun, 4);
}
