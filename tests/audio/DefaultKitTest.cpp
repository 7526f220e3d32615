#include "audio/NDrumMachine.h"
#include "audio/NSample.h"
#include "tests/support/FakeServices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The default kit the build synthesizes into bin/samples/, checked as a musician would receive it.
namespace {

const std::string KitFolder = RUZI_BIN_DIR "/samples/";

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

// A kit file read straight from its bytes: the canonical 44-byte header, then the frames.
struct KitFile {
    std::vector<unsigned char> bytes;
    std::vector<std::int16_t> frames;

    explicit KitFile(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        for (std::size_t i = 44; i + 1 < bytes.size(); i += 2)
            frames.push_back(std::int16_t(bytes[i] | (bytes[i + 1] << 8)));
    }
    std::uint32_t u32(std::size_t at) const
    {
        return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) | (std::uint32_t(bytes[at + 3]) << 24);
    }
    std::string tag(std::size_t at) const { return std::string(bytes.begin() + at, bytes.begin() + at + 4); }
};

double rms(const std::vector<std::int16_t>& x, std::size_t from, std::size_t to)
{
    double sum = 0.0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(x[i]) * x[i];
    return std::sqrt(sum / double(to - from));
}

double crossingsPerSecond(const std::vector<std::int16_t>& x, std::size_t frames)
{
    int crossings = 0;
    for (std::size_t i = 1; i < frames; ++i)
        crossings += (x[i - 1] < 0) != (x[i] < 0);
    return crossings * 44100.0 / double(frames);
}

TEST(DefaultKit, EverySoundIsAWellFormedDecayingHitAtMinusOneDecibel)
{
    std::map<std::string, double> crossings;
    for (const Expected& e : Kit) {
        SCOPED_TRACE(e.file);
        KitFile wav(KitFolder + e.file);
        ASSERT_GT(wav.bytes.size(), 44u) << "the drumkit target makes these files";
        EXPECT_EQ(wav.tag(0) + wav.tag(8) + wav.tag(12) + wav.tag(36), "RIFFWAVEfmt data");
        EXPECT_EQ(wav.u32(4), wav.bytes.size() - 8);
        EXPECT_EQ(wav.u32(16), 16u);
        EXPECT_EQ(wav.u32(20), 1u | (1u << 16)); // PCM, mono
        EXPECT_EQ(wav.u32(24), 44100u);
        EXPECT_EQ(wav.u32(28), 88200u);
        EXPECT_EQ(wav.u32(32), 2u | (16u << 16)); // 2 bytes a frame, 16 bits
        EXPECT_EQ(wav.u32(40), wav.bytes.size() - 44);

        const std::vector<std::int16_t>& x = wav.frames;
        const std::size_t n = x.size();
        ASSERT_GT(n, 100u);
        const double seconds = double(n) / 44100.0;
        EXPECT_GE(seconds, e.minSeconds);
        EXPECT_LE(seconds, e.maxSeconds);

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

        crossings[e.file] = crossingsPerSecond(x, std::min<std::size_t>(n, 2205));
        EXPECT_GE(crossings[e.file], e.minCrossings);
        EXPECT_LE(crossings[e.file], e.maxCrossings);
    }
    // The toms step down in pitch, and the second snare is the brighter one.
    EXPECT_GT(crossings["HT_std.wav"], crossings["MT_std.wav"]);
    EXPECT_GT(crossings["MT_std.wav"], crossings["LT_std.wav"]);
    EXPECT_GT(crossings["SN2_std.wav"], crossings["SN_std.wav"]);
}

TEST(DefaultKit, TheDrumMachineLoadsAllTwelveSounds)
{
    FakeServices services;
    setAppDirectory(String::fromUtf8(RUZI_BIN_DIR));
    auto drum = std::make_unique<NDrumMachine>();
    drum->loadDefaultKit();
    for (int slot = 0; slot < NDrumMachine::Slots; ++slot) {
        const NSample& sample = drum->sample(slot);
        SCOPED_TRACE(Kit[slot].file);
        EXPECT_EQ(sample.loadStatus(), NSample::LoadStatus::Loaded) << sample.loadError().toUtf8();
        EXPECT_EQ(sample.getName().toUtf8(), Kit[slot].file);
        EXPECT_GT(sample.length(), 0);
    }
}

} // namespace
