#include "audio/NSample.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

// The default kit the build synthesizes into bin/samples/, as a musician receives it. How it sounds
// and that the drum machine loads it into the right slots show in the bundled song's golden render.
TEST(DefaultKit, EverySoundIsAPlainMonoWavPeakingNearMinusOneDecibelAndSilentAtBothEnds)
{
    // Each slot's file and the range of its length in seconds.
    const std::tuple<const char*, double, double> kit[NSample::KitSlots] = {
        {"CR_std.wav", 1.0, 2.01}, {"CY_std.wav", 0.8, 2.01}, {"OH_std.wav", 0.25, 0.8}, {"CH_std.wav", 0.05, 0.1},
        {"HT_std.wav", 0.2, 0.9},  {"MT_std.wav", 0.2, 0.9},  {"LT_std.wav", 0.2, 0.9},  {"CL_std.wav", 0.15, 0.5},
        {"RS_std.wav", 0.03, 0.15}, {"SN_std.wav", 0.15, 0.5}, {"SN2_std.wav", 0.1, 0.4}, {"BD_std.wav", 0.3, 1.0},
    };
    for (const auto& [file, minSeconds, maxSeconds] : kit) {
        SCOPED_TRACE(file);
        std::ifstream in(RUZI_BIN_DIR "/samples/" + std::string(file), std::ios::binary);
        const WavBytes::Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        ASSERT_GT(bytes.size(), 244u) << "the drumkit target makes these files";
        std::vector<std::int16_t> x;
        for (std::size_t i = 44; i + 1 < bytes.size(); i += 2)
            x.push_back(std::int16_t(bytes[i] | (bytes[i + 1] << 8)));
        EXPECT_EQ(bytes, WavBytes::mono16(x)); // the canonical 44-byte header: 44100 Hz, 16 bits, mono

        const double seconds = double(x.size()) / 44100.0;
        EXPECT_TRUE(seconds >= minSeconds && seconds <= maxSeconds) << seconds;
        const auto [low, high] = std::minmax_element(x.begin(), x.end());
        const int peak = std::max(-int(*low), int(*high));
        EXPECT_TRUE(peak >= 27500 && peak <= 29500) << peak; // between -1.5 and -0.9 dBFS
        EXPECT_LE(std::abs(int(x.front())), 100); // no click at either end
        EXPECT_LE(std::abs(int(x.back())), 100);
    }
}
