#include "audio/NSample.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

// The default kit the build synthesizes into bin/samples/, checked as a musician would receive it.
// That the drum machine loads it into the right slots shows in the bundled song's golden render.
namespace {

// Each sound in slot order: its length, and how busy its first 50 ms are in zero crossings per
// second, which tells a thump from a ring from a hiss.
struct Expected {
    const char* file;
    double minSeconds, maxSeconds;
    double minCrossings, maxCrossings;
};

const Expected Kit[NSample::KitSlots] = {
    {"CR_std.wav", 1.0, 2.01, 8000, 30000},  {"CY_std.wav", 0.8, 2.01, 8000, 30000},
    {"OH_std.wav", 0.25, 0.8, 8000, 30000},  {"CH_std.wav", 0.05, 0.1, 8000, 30000},
    {"HT_std.wav", 0.2, 0.9, 150, 1000},     {"MT_std.wav", 0.2, 0.9, 150, 1000},
    {"LT_std.wav", 0.2, 0.9, 100, 1000},     {"CL_std.wav", 0.15, 0.5, 1500, 12000},
    {"RS_std.wav", 0.03, 0.15, 500, 5000},   {"SN_std.wav", 0.15, 0.5, 1500, 12000},
    {"SN2_std.wav", 0.1, 0.4, 1500, 12000},  {"BD_std.wav", 0.3, 1.0, 60, 400},
};

double rms(const std::vector<std::int16_t>& x, std::size_t from, std::size_t to)
{
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(x[i]) * x[i];
    return std::sqrt(sum / double(to - from));
}

TEST(DefaultKit, EverySoundIsAPlainMonoWavOfADecayingHitAtMinusOneDecibel)
{
    std::map<std::string, double> crossings;
    for (const Expected& e : Kit) {
        SCOPED_TRACE(e.file);
        std::ifstream in(RUZI_BIN_DIR "/samples/" + std::string(e.file), std::ios::binary);
        const WavBytes::Bytes bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
        ASSERT_GT(bytes.size(), 244u) << "the drumkit target makes these files";
        std::vector<std::int16_t> x;
        for (std::size_t i = 44; i + 1 < bytes.size(); i += 2)
            x.push_back(std::int16_t(bytes[i] | (bytes[i + 1] << 8)));
        EXPECT_EQ(bytes, WavBytes::mono16(x)); // the canonical 44-byte header: 44100 Hz, 16 bits, mono

        const std::size_t n = x.size();
        EXPECT_GE(double(n) / 44100.0, e.minSeconds);
        EXPECT_LE(double(n) / 44100.0, e.maxSeconds);
        int peak = 0;
        double sum = 0.0;
        for (std::int16_t v : x) {
            peak = std::max(peak, std::abs(int(v)));
            sum += v;
        }
        EXPECT_GE(peak, 27500); // between -1.5 and -0.9 dBFS
        EXPECT_LE(peak, 29500);
        EXPECT_GT(rms(x, 0, n), 1000.0);
        EXPECT_LT(std::abs(sum / double(n)), 30.0);
        // No click at either end, and the sound has died away by its end.
        EXPECT_LE(std::abs(int(x.front())), 100);
        EXPECT_LE(std::abs(int(x.back())), 100);
        EXPECT_LT(rms(x, n - n / 10, n), rms(x, 0, n / 10) / 10.0);

        const std::size_t window = std::min<std::size_t>(n, 2205);
        int changes = 0;
        for (std::size_t i = 1; i < window; ++i)
            changes += (x[i - 1] < 0) != (x[i] < 0);
        crossings[e.file] = changes * 44100.0 / double(window);
        EXPECT_GE(crossings[e.file], e.minCrossings);
        EXPECT_LE(crossings[e.file], e.maxCrossings);
    }
    // The toms step down in pitch, and the second snare is the brighter one.
    EXPECT_GT(crossings["HT_std.wav"], crossings["MT_std.wav"]);
    EXPECT_GT(crossings["MT_std.wav"], crossings["LT_std.wav"]);
    EXPECT_GT(crossings["SN2_std.wav"], crossings["SN_std.wav"]);
}

} // namespace
