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

using Block = std::array<std::int32_t, NSample::BlockFrames>;

std::vector<std::int16_t> ramp(int frames)
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

// Counts the blocks a freshly triggered voice sounds for.
int blocksSounding(NSample& sample)
{
    sample.trigger(NSample::UnitStep, 255);
    int blocks = 0;
    while (sample.playing() && blocks < 1000) {
        renderBlock(sample, 200);
        ++blocks;
    }
    return blocks;
}

// Samples live in <temp>/samples/, the program in <temp>/ruzi.
class NSampleTest : public ::testing::Test {
protected:
    NSampleTest()
    {
        services.programPath.path = dir.path("ruzi");
        std::filesystem::create_directories(dir.path("samples"));
    }

    void writeSample(const std::string& name, const WavBytes::Bytes& bytes) { dir.writeBytes("samples/" + name, bytes); }

    // Loads a known sound, so that tests can see whether a failed load kept it.
    void loadPrevious(NSample& sample)
    {
        writeSample("previous.wav", WavBytes::mono16(ramp(40)));
        ASSERT_TRUE(sample.load(u"previous.wav"));
    }

    void expectPrevious(const NSample& sample)
    {
        EXPECT_EQ(sample.getName().toUtf8(), "previous.wav");
        ASSERT_EQ(sample.length(), 64);
        EXPECT_EQ(sample.data()[39], 40);
    }

    FakeServices services;
    TempDir dir;
};

} // namespace

TEST_F(NSampleTest, LoadsMonoFramesPaddedToWholeBlocks)
{
    writeSample("BD_std.wav", WavBytes::mono16(ramp(100)));
    NSample sample;
    ASSERT_TRUE(sample.load(u"BD_std.wav"));
    EXPECT_EQ(sample.getName().toUtf8(), "BD_std.wav"); // as asked, not the resolved path
    EXPECT_EQ(sample.loadStatus(), NSample::LoadStatus::Loaded);
    EXPECT_EQ(sample.loadError().length(), 0);
    ASSERT_EQ(sample.length(), 128);
    EXPECT_EQ(sample.data()[0], 1);
    EXPECT_EQ(sample.data()[99], 100);
    for (int i = 100; i < 128; ++i)
        EXPECT_EQ(sample.data()[i], 0) << i;
    EXPECT_EQ(blocksSounding(sample), 4);

    writeSample("a.wav", WavBytes::mono16(ramp(64), 11025));
    ASSERT_TRUE(sample.load(u"a.wav"));
    EXPECT_EQ(sample.length(), 64);
    EXPECT_EQ(blocksSounding(sample), 2); // the file's rate is ignored
}

TEST_F(NSampleTest, NamesResolveUnderTheSamplesFolderWithEitherSeparator)
{
    std::filesystem::create_directories(dir.path("samples/kit"));
    writeSample("kit/sn.wav", WavBytes::mono16(ramp(10)));
    NSample sample;
    EXPECT_TRUE(sample.load(u"kit\\sn.wav"));
    EXPECT_EQ(sample.getName().toUtf8(), "kit\\sn.wav");
    EXPECT_TRUE(sample.load(u"kit/sn.wav"));

    dir.writeBytes("elsewhere.wav", WavBytes::mono16(ramp(10)));
    EXPECT_TRUE(sample.load(dir.file("elsewhere.wav"))); // absolute names are taken as they are
}

TEST_F(NSampleTest, MissingFileKeepsTheSoundAndSaysWhy)
{
    NSample sample;
    loadPrevious(sample);
    sample.trigger(NSample::UnitStep, 255);
    EXPECT_FALSE(sample.load(u"nothing.wav"));
    expectPrevious(sample);
    EXPECT_FALSE(sample.playing()); // a load always silences the voice
    EXPECT_EQ(sample.loadStatus(), NSample::LoadStatus::CannotOpen);
    EXPECT_EQ(sample.loadError().toUtf8(), "No such file or directory");
    EXPECT_EQ(sample.requestedName().toUtf8(), "nothing.wav");
}

TEST_F(NSampleTest, FilesWithoutTheNeededChunksKeepTheSound)
{
    WavBytes::Bytes noFormat = WavBytes().data(WavBytes::pcm16(ramp(8))).bytes();
    WavBytes::Bytes noData = WavBytes().format(1, 1, 44100, 2, 16).bytes();
    WavBytes::Bytes notRiff = {'R', 'I', 'F', 'X', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
    WavBytes::Bytes empty;
    for (const WavBytes::Bytes& bytes : {noFormat, noData, notRiff, empty}) {
        NSample sample;
        loadPrevious(sample);
        writeSample("bad.wav", bytes);
        EXPECT_FALSE(sample.load(u"bad.wav"));
        expectPrevious(sample);
        EXPECT_EQ(sample.loadStatus(), NSample::LoadStatus::NotWave);
    }
}

TEST_F(NSampleTest, OtherLayoutsBecomeSilenceOfTheirFrameCount)
{
    struct Case {
        int channels, blockAlign, bits, dataBytes, expectedLength;
    };
    const Case cases[] = {
        {2, 4, 16, 4000, 1024}, // stereo: 1000 frames
        {1, 1, 8, 100, 128},    // 8-bit: 100 frames
        {1, 3, 24, 300, 128},   // 24-bit
    };
    for (const Case& c : cases) {
        NSample sample;
        loadPrevious(sample);
        writeSample("x.wav", WavBytes()
                                 .format(1, c.channels, 44100, c.blockAlign, c.bits)
                                 .data(WavBytes::Bytes(static_cast<size_t>(c.dataBytes), 0x55))
                                 .bytes());
        EXPECT_FALSE(sample.load(u"x.wav"));
        EXPECT_EQ(sample.loadStatus(), NSample::LoadStatus::Refused);
        EXPECT_GT(sample.loadError().length(), 0);
        EXPECT_EQ(sample.getName().length(), 0);
        ASSERT_EQ(sample.length(), c.expectedLength);
        for (int i = 0; i < sample.length(); ++i)
            ASSERT_EQ(sample.data()[i], 0);
    }
}

TEST_F(NSampleTest, NonPcmAndZeroAlignmentAreRefusedWithoutTouchingTheSound)
{
    WavBytes::Bytes floating = WavBytes().format(3, 1, 44100, 4, 32).data(WavBytes::Bytes(400, 1)).bytes();
    WavBytes::Bytes noAlignment = WavBytes().format(1, 1, 44100, 0, 16).data(WavBytes::Bytes(400, 1)).bytes();
    for (const WavBytes::Bytes& bytes : {floating, noAlignment}) {
        NSample sample;
        loadPrevious(sample);
        writeSample("x.wav", bytes);
        EXPECT_FALSE(sample.load(u"x.wav"));
        expectPrevious(sample);
        EXPECT_EQ(sample.loadStatus(), NSample::LoadStatus::Refused);
    }
}

TEST_F(NSampleTest, OddDataLengthDropsTheStrayByte)
{
    WavBytes::Bytes body = WavBytes::pcm16(ramp(33));
    body.push_back(0x7F); // 67 bytes: 33 frames and a byte of none
    writeSample("odd.wav", WavBytes().format(1, 1, 44100, 2, 16).data(body).bytes());
    NSample sample;
    ASSERT_TRUE(sample.load(u"odd.wav"));
    ASSERT_EQ(sample.length(), 64);
    EXPECT_EQ(sample.data()[32], 33);
    EXPECT_EQ(sample.data()[33], 0); // the padding stays silent
}

TEST_F(NSampleTest, ChunksAreFoundByTagWhateverLiesBetween)
{
    WavBytes::Bytes list(26, 'x');
    writeSample("list.wav", WavBytes()
                                .chunk("LIST", list)
                                .format(1, 1, 44100, 2, 16)
                                .chunk("LIST", list)
                                .data(WavBytes::pcm16(ramp(50)))
                                .chunk("cue ", WavBytes::Bytes(8, 0))
                                .bytes());
    NSample sample;
    ASSERT_TRUE(sample.load(u"list.wav"));
    EXPECT_EQ(sample.length(), 64);
    EXPECT_EQ(sample.data()[49], 50);
}

TEST_F(NSampleTest, FileCutShortAnywhereLoadsNothing)
{
    WavBytes::Bytes whole = WavBytes().format(1, 1, 44100, 2, 16).chunk("LIST", WavBytes::Bytes(6, 'i'))
                                .data(WavBytes::pcm16(ramp(70))).bytes();
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        NSample sample;
        loadPrevious(sample);
        writeSample("cut.wav", WavBytes::Bytes(whole.begin(), whole.begin() + static_cast<long>(cut)));
        EXPECT_FALSE(sample.load(u"cut.wav")) << "cut at " << cut;
        expectPrevious(sample);
    }
}

TEST_F(NSampleTest, GainIsVelocityTimesVolumeRoundedDown)
{
    writeSample("g.wav", WavBytes::mono16({1000, -1, -1000, 32767, 0}));
    NSample sample;
    ASSERT_TRUE(sample.load(u"g.wav"));
    sample.trigger(NSample::UnitStep, 255);
    Block mix = renderBlock(sample, 200, 10); // gain (255 * 200) >> 8 = 199
    EXPECT_EQ(mix[0], 10 + 777);
    EXPECT_EQ(mix[1], 10 - 1);   // -199 >> 8 rounds towards minus infinity
    EXPECT_EQ(mix[2], 10 - 778);
    EXPECT_EQ(mix[3], 10 + 25471);
    EXPECT_EQ(mix[4], 10);

    sample.trigger(NSample::UnitStep, 100); // gain (100 * 255) >> 8 = 99
    mix = renderBlock(sample, 255);
    EXPECT_EQ(mix[0], 386);
    EXPECT_EQ(mix[1], -1);

    sample.trigger(NSample::UnitStep, 255);
    mix = renderBlock(sample, 0);
    EXPECT_EQ(mix[0], 0);
    EXPECT_EQ(mix[1], 0); // gain 0: even -1 adds nothing

    // A hostile volume wraps at 32 bits: gain 0x7FFFFF01 >> 8, and 1000 times that wraps negative.
    sample.trigger(NSample::UnitStep, 255);
    mix = renderBlock(sample, 0x7FFFFFFF);
    EXPECT_EQ(mix[0], -786436);
}

TEST_F(NSampleTest, VoiceLifecycle)
{
    writeSample("v.wav", WavBytes::mono16(ramp(96)));
    NSample sample;
    Block mix = renderBlock(sample, 255);
    EXPECT_EQ(mix[0], 0);
    sample.trigger(NSample::UnitStep, 255); // empty: stays idle
    EXPECT_FALSE(sample.playing());

    ASSERT_TRUE(sample.load(u"v.wav"));
    EXPECT_EQ(renderBlock(sample, 255)[0], 0); // loaded but idle
    sample.trigger(NSample::UnitStep, 255);
    renderBlock(sample, 255);
    EXPECT_EQ(sample.position(), 32);
    sample.stop();
    EXPECT_FALSE(sample.playing());
    EXPECT_EQ(sample.position(), 32);
    EXPECT_EQ(renderBlock(sample, 255)[0], 0);

    sample.trigger(NSample::UnitStep, 255);
    renderBlock(sample, 256);
    sample.trigger(NSample::UnitStep, 100); // restarts at frame 0 with the new strength
    EXPECT_EQ(sample.position(), 0);
    EXPECT_EQ(sample.velocity(), 100);
    EXPECT_EQ(renderBlock(sample, 256)[31], (32 * 100) >> 8);

    sample.trigger(0x8000, 255); // other rates mix nothing and stand still
    EXPECT_EQ(renderBlock(sample, 255)[5], 0);
    EXPECT_EQ(sample.position(), 0);
    EXPECT_TRUE(sample.playing());
}

// Neither an empty "data" chunk nor a sound replaced under a sounding voice may read past a buffer.
TEST_F(NSampleTest, VoicesNeverReadPastTheirBuffer)
{
    writeSample("empty.wav", WavBytes::mono16({}));
    NSample sample;
    ASSERT_TRUE(sample.load(u"empty.wav"));
    EXPECT_EQ(sample.length(), 0);
    sample.trigger(NSample::UnitStep, 255);
    EXPECT_EQ(renderBlock(sample, 255, 7)[0], 7);
    EXPECT_FALSE(sample.playing());

    writeSample("long.wav", WavBytes::mono16(ramp(128)));
    ASSERT_TRUE(sample.load(u"long.wav"));
    sample.trigger(NSample::UnitStep, 255);
    renderBlock(sample, 255);
    renderBlock(sample, 255);
    sample.create(40); // 64 frames of silence, and the voice stood at 64
    EXPECT_EQ(renderBlock(sample, 255)[0], 0);
    EXPECT_FALSE(sample.playing());
    sample.create(-5);
    EXPECT_EQ(sample.length(), 0);
}
