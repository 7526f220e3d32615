#include "platform/desktop/SdlAudioDevice.h"

#include "audio/KESOAudioSource.h"
#include "audio/KESOWaveout.h"
#include "foundation/KESOServices.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

// SDL's disk driver writes what the device plays to a file, at about the pace of a sound card.
// SDL never picks it by itself.
namespace {

// Waits, polling, for a condition that real-time playback brings about; false after a minute.
bool eventually(const std::function<bool()>& condition)
{
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// Frame n carries n: left the low 15 bits, right 0x4000 and the bits above. No frame is
// silence, so the silence SDL writes while the device is paused stands apart.
struct Frame {
    std::int16_t left, right;
    bool silent() const { return left == 0 && right == 0; }
    std::uint32_t number() const { return (static_cast<std::uint32_t>(right & 0x3FFF) << 15) | left; }
};

Frame numbered(std::uint32_t n)
{
    return {static_cast<std::int16_t>(n & 0x7FFF), static_cast<std::int16_t>(0x4000 | ((n >> 15) & 0x3FFF))};
}

class NumberingSource : public KESOAudioSource {
public:
    void render(std::int16_t* out, int frames, int, int, int) override
    {
        for (int f = 0; f < frames; ++f, ++produced) {
            out[2 * f] = numbered(produced).left;
            out[2 * f + 1] = numbered(produced).right;
        }
    }
    std::atomic<std::uint32_t> produced{0};
};

class SdlAudioDeviceTest : public ::testing::Test {
protected:
    SdlAudioDeviceTest()
    {
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", dir.path("out.raw").c_str(), 1);
    }

    // What the device played, without the silence before play and after reset.
    std::vector<Frame> played()
    {
        const std::vector<unsigned char> bytes = dir.readBytes("out.raw");
        std::vector<Frame> frames;
        for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4)
            frames.push_back({static_cast<std::int16_t>(bytes[at] | bytes[at + 1] << 8),
                              static_cast<std::int16_t>(bytes[at + 2] | bytes[at + 3] << 8)});
        while (!frames.empty() && frames.back().silent())
            frames.pop_back();
        auto first = frames.begin();
        while (first != frames.end() && first->silent())
            ++first;
        return {first, frames.end()};
    }

    TempDir dir;
};

} // namespace

TEST_F(SdlAudioDeviceTest, TheWaveoutPlaysItsSourceInOrderWithoutGapsOrRepeats)
{
    FakeServices services;
    SdlAudioDevice device;
    KESOServices::instance().audioDevice = &device;
    NumberingSource source;
    KESOWaveout waveout;
    ASSERT_TRUE(waveout.play(&source, 1000));
    ASSERT_TRUE(eventually([&] { return device.position() >= 44100; }));
    waveout.close();
    EXPECT_TRUE(services.messageBox.shown.empty());

    const std::vector<Frame> frames = played();
    // An underrun replays what the ring held a whole ring earlier (silence in the first round) when
    // a loaded machine starves the playback thread; anything else out of sequence is a fault.
    const std::uint32_t ring = KESOWaveout::SegmentCount * waveout.segmentFrames();
    for (std::uint32_t i = 0; i < frames.size(); ++i) {
        const std::uint32_t n = frames[i].number();
        const bool inOrder = !frames[i].silent() && n == i;
        const bool replayed = frames[i].silent() ? i < ring : n < i && (i - n) % ring == 0;
        ASSERT_TRUE(inOrder || replayed) << "frame " << i << " carries " << n;
    }
    EXPECT_GE(frames.size(), 44100u - SdlAudioDevice::CallbackFrames);
    EXPECT_LE(frames.size(), source.produced.load()); // the ring renders ahead of the device
}

TEST_F(SdlAudioDeviceTest, ARingShorterThanACallbackLoopsWholeUntilReset)
{
    // 300 frames: every callback of 1024 frames wraps round the ring three or four times.
    std::vector<std::int16_t> ring;
    for (std::uint32_t n = 0; n < 300; ++n)
        ring.insert(ring.end(), {numbered(n).left, numbered(n).right});
    SdlAudioDevice device;
    ASSERT_TRUE(device.open());
    ASSERT_TRUE(device.play(ring.data(), 300));
    ASSERT_TRUE(eventually([&] { return device.position() >= 5 * SdlAudioDevice::CallbackFrames; }));
    device.reset();
    const std::uint32_t position = device.position();
    // The driver runs on, writing silence; the ring is no longer read.
    const std::size_t bytesAtReset = dir.readBytes("out.raw").size();
    ASSERT_TRUE(eventually([&] { return dir.readBytes("out.raw").size() >= bytesAtReset + 3 * 1024 * 4; }));
    EXPECT_EQ(device.position(), position);
    device.close();

    const std::vector<Frame> frames = played();
    EXPECT_EQ(frames.size(), position); // the position counts exactly what was played
    for (std::uint32_t i = 0; i < frames.size(); ++i)
        ASSERT_EQ(frames[i].number(), i % 300) << "frame " << i;

    // Closed, SDL's audio starts anew on the next open; without a driver nothing opens.
    ASSERT_TRUE(device.open());
    device.close();
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    EXPECT_FALSE(device.open());
    EXPECT_FALSE(device.play(ring.data(), 300));
}
