#include "audio/NSample.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavBytes.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace {

using Block = std::array<std::int32_t, ntime::BlockFrames>;
using Bytes = WavBytes::Bytes;

std::vector<std::int16_t> ramp(int frames) // 1, 2, 3, ...
{
    std::vector<std::int16_t> v(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        v[static_cast<size_t>(i)] = static_cast<std::int16_t>(i + 1);
    return v;
}

Block renderBlock(NSample& sample, int volume, std::int32_t start = 0)
{
    Block mix;
    mix.fill(start);
    sample.render(mix.data(), volume);
    return mix;
}

// Samples live in <temp>/samples/, the program in <temp>/ruzi.
class NSampleTest : public ::testing::Test {
protected:
    NSampleTest()
    {
        services.programPath.path = dir.path("ruzi");
        std::filesystem::create_directories(dir.path("samples"));
    }

    bool load(const std::string& name, const Bytes& bytes)
    {
        dir.writeBytes("samples/" + name, bytes);
        return sample.load(String::fromUtf8(name));
    }

    // A failed load must keep this sound.
    void loadPrevious() { ASSERT_TRUE(load("previous.wav", WavBytes::mono16(ramp(40)))); }
    void expectPrevious()
    {
        EXPECT_EQ(sample.getName().toUtf8(), "previous.wav");
        ASSERT_EQ(sample.length(), 64);
        EXPECT_EQ(sample.data()[39], 40);
    }

    FakeServices services;
    TempDir dir;
    NSample sample;
};

TEST_F(NSampleTest, LoadsMonoFramesPaddedToWholeBlocksWhateverTheRateAndOtherChunks)
{
    Bytes odd = WavBytes::pcm16(ramp(33));
    odd.push_back(0x7F); // a stray byte, dropped
    const Bytes list(26, 'x');
    const std::tuple<Bytes, int, int> cases[] = {
        {WavBytes::mono16(ramp(100)), 100, 128},
        {WavBytes::mono16(ramp(64), 11025), 64, 64}, // the file's rate is ignored
        {WavBytes().format(1, 1, 44100, 2, 16).data(odd).bytes(), 33, 64},
        {WavBytes().chunk("LIST", list).format(1, 1, 44100, 2, 16).chunk("LIST", list).data(WavBytes::pcm16(ramp(50)))
             .chunk("cue ", Bytes(8, 0)).bytes(), 50, 64},
    };
    for (const auto& [bytes, frames, length] : cases) {
        ASSERT_TRUE(load("BD_std.wav", bytes)) << frames;
        EXPECT_EQ(sample.getName().toUtf8(), "BD_std.wav"); // as asked, not the resolved path
        EXPECT_EQ(sample.loadStatus(), NSample::LoadStatus::Loaded);
        EXPECT_EQ(sample.loadError().length(), 0);
        ASSERT_EQ(sample.length(), length);
        for (int i = 0; i < length; ++i)
            ASSERT_EQ(sample.data()[i], i < frames ? i + 1 : 0) << frames << " " << i;
        sample.trigger(NSample::UnitStep, 255);
        for (int block = 0; block < length / 32; ++block) {
            EXPECT_TRUE(sample.playing());
            renderBlock(sample, 200);
        }
        EXPECT_FALSE(sample.playing());
    }
}

TEST_F(NSampleTest, FailedLoadsKeepTheSoundAndSayWhy)
{
    loadPrevious();
    sample.trigger(NSample::UnitStep, 255);
    EXPECT_FALSE(sample.load(u"nothing.wav"));
    expectPrevious();
    EXPECT_FALSE(sample.playing()); // a load always silences the voice
    EXPECT_EQ(sample.loadStatus(), NSample::LoadStatus::CannotOpen);
    EXPECT_EQ(sample.loadError().toUtf8(), "No such file or directory");
    EXPECT_EQ(sample.requestedName().toUtf8(), "nothing.wav");

    const std::pair<Bytes, NSample::LoadStatus> cases[] = {
        {WavBytes().data(WavBytes::pcm16(ramp(8))).bytes(), NSample::LoadStatus::NotWave},
        {WavBytes().format(1, 1, 44100, 2, 16).bytes(), NSample::LoadStatus::NotWave},
        {{'R', 'I', 'F', 'X', 4, 0, 0, 0, 'W', 'A', 'V', 'E'}, NSample::LoadStatus::NotWave},
        {{}, NSample::LoadStatus::NotWave},
        {WavBytes().format(3, 1, 44100, 4, 32).data(Bytes(400, 1)).bytes(), NSample::LoadStatus::Refused},
        {WavBytes().format(1, 1, 44100, 0, 16).data(Bytes(400, 1)).bytes(), NSample::LoadStatus::Refused},
    };
    for (const auto& [bytes, status] : cases) {
        loadPrevious();
        EXPECT_FALSE(load("bad.wav", bytes));
        expectPrevious();
        EXPECT_EQ(sample.loadStatus(), status) << bytes.size();
    }

    const Bytes whole =
        WavBytes().format(1, 1, 44100, 2, 16).chunk("LIST", Bytes(6, 'i')).data(WavBytes::pcm16(ramp(70))).bytes();
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        loadPrevious();
        EXPECT_FALSE(load("cut.wav", Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)))) << cut;
        expectPrevious();
    }
}

TEST_F(NSampleTest, OtherLayoutsBecomeSilenceOfTheirFrameCount)
{
    const std::array<int, 5> cases[] = {
        // channels, block alignment, bits, data bytes, length
        {2, 4, 16, 4000, 1024}, // stereo: 1000 frames
        {1, 1, 8, 100, 128},
        {1, 3, 24, 300, 128},
    };
    for (const auto& [channels, blockAlign, bits, dataBytes, length] : cases) {
        loadPrevious();
        const Bytes data(static_cast<size_t>(dataBytes), 0x55);
        EXPECT_FALSE(load("x.wav", WavBytes().format(1, channels, 44100, blockAlign, bits).data(data).bytes()));
        EXPECT_EQ(sample.loadStatus(), NSample::LoadStatus::Refused);
        EXPECT_GT(sample.loadError().length(), 0);
        EXPECT_EQ(sample.getName().length(), 0);
        ASSERT_EQ(sample.length(), length);
        EXPECT_EQ(std::count(sample.data(), sample.data() + length, 0), length);
    }
}

TEST_F(NSampleTest, GainIsVelocityTimesVolumeRoundedDown)
{
    ASSERT_TRUE(load("g.wav", WavBytes::mono16({1000, -1, -1000, 32767, 0})));
    sample.trigger(NSample::UnitStep, 255);
    Block mix = renderBlock(sample, 200, 10); // gain (255 * 200) >> 8 = 199
    EXPECT_EQ(mix[0], 10 + 777);
    EXPECT_EQ(mix[1], 10 - 1); // -199 >> 8 rounds towards minus infinity
    EXPECT_EQ(mix[2], 10 - 778);
    EXPECT_EQ(mix[3], 10 + 25471);
    EXPECT_EQ(mix[4], 10);

    sample.trigger(NSample::UnitStep, 100); // gain (100 * 255) >> 8 = 99
    mix = renderBlock(sample, 255);
    EXPECT_EQ(mix[0], 386);
    EXPECT_EQ(mix[1], -1);

    sample.trigger(NSample::UnitStep, 255);
    EXPECT_EQ(renderBlock(sample, 0)[1], 0); // gain 0: even -1 adds nothing

    // A hostile volume wraps at 32 bits: gain 0x7FFFFF01 >> 8, and 1000 times that wraps negative.
    sample.trigger(NSample::UnitStep, 255);
    EXPECT_EQ(renderBlock(sample, 0x7FFFFFFF)[0], -786436);
}

// Neither an empty "data" chunk nor a sound replaced under a sounding voice may read past a buffer.
TEST_F(NSampleTest, VoicesNeverReadPastTheirBuffer)
{
    ASSERT_TRUE(load("empty.wav", WavBytes::mono16({})));
    EXPECT_EQ(sample.length(), 0);
    sample.trigger(NSample::UnitStep, 255);
    EXPECT_EQ(renderBlock(sample, 255, 7)[0], 7);
    EXPECT_FALSE(sample.playing());

    ASSERT_TRUE(load("long.wav", WavBytes::mono16(ramp(128))));
    sample.trigger(NSample::UnitStep, 255);
    renderBlock(sample, 255);
    renderBlock(sample, 255);
    sample.create(40); // 64 frames of silence, and the voice stood at 64
    EXPECT_EQ(renderBlock(sample, 255)[0], 0);
    EXPECT_FALSE(sample.playing());
    sample.create(-5);
    EXPECT_EQ(sample.length(), 0);
}

} // namespace
