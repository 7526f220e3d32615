#include "platform/desktop/SdlAudioDevice.h"

#include "audio/KESOAudioSource.h"
#include "audio/KESOWaveout.h"
#include "foundation/KESOServices.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <thread>
#include <vector>

// SDL's disk driver writes what the device plays to a file, at about the pace of a sound card.
// SDL never picks it by itself.
namespace {

// Frame n carries n: left the low 15 bits, right 0x4000 and the bits above. No frame is
// silence, so the silence SDL writes while the device is paused stands apart.
class NumberingSource : public KESOAudioSource {
public:
    void render(std::int16_t* out, int frames, int, int, int) override
    {
        for (int f = 0; f < frames; ++f, ++produced) {
            out[2 * f] = static_cast<std::int16_t>(produced & 0x7FFF);
            out[2 * f + 1] = static_cast<std::int16_t>(0x4000 | ((produced >> 15) & 0x3FFF));
        }
    }
    std::atomic<std::uint32_t> produced{0};
};

// The numbers of the frames the device played, without the silence before play and after
// reset; a silent frame between them is -1.
std::vector<std::int64_t> frameNumbers(const std::vector<unsigned char>& bytes)
{
    std::vector<std::int64_t> frames;
    for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4) {
        const int left = bytes[at] | bytes[at + 1] << 8;
        const int right = bytes[at + 2] | bytes[at + 3] << 8;
        frames.push_back(left == 0 && right == 0 ? -1 : (std::int64_t(right & 0x3FFF) << 15) | left);
    }
    while (!frames.empty() && frames.back() < 0)
        frames.pop_back();
    frames.erase(frames.begin(), std::find_if(frames.begin(), frames.end(), [](auto n) { return n >= 0; }));
    return frames;
}

} // namespace

TEST(SdlAudioDeviceTest, TheWaveoutPlaysItsSourceInOrderWithoutGapsOrRepeats)
{
    TempDir dir;
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", dir.path("out.raw").c_str(), 1);
    FakeServices services;
    SdlAudioDevice device;
    KESOServices::instance().audioDevice = &device;
    NumberingSource source;
    KESOWaveout waveout;
    ASSERT_TRUE(waveout.play(&source, 1000));
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    while (device.position() < 44100 && std::chrono::steady_clock::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    waveout.close();
    EXPECT_TRUE(services.messageBox.shown.empty());
    const std::vector<std::int64_t> frames = frameNumbers(dir.readBytes("out.raw"));
    // An underrun replays what the ring held a whole ring earlier (silence in the first round) when
    // a loaded machine starves the playback thread; anything else out of sequence is a fault.
    const std::int64_t ring = KESOWaveout::SegmentCount * waveout.segmentFrames();
    for (std::int64_t i = 0; i < std::int64_t(frames.size()); ++i) {
        const std::int64_t n = frames[i];
        const bool replayed = n < 0 ? i < ring : n < i && (i - n) % ring == 0;
        ASSERT_TRUE(n == i || replayed) << "frame " << i << " carries " << n;
    }
    EXPECT_GE(frames.size(), 44100u - SdlAudioDevice::CallbackFrames);
    EXPECT_LE(frames.size(), source.produced.load()); // the ring renders ahead of the device
}
