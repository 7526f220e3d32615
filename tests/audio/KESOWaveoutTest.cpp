#include "audio/KESOWaveout.h"

#include "audio/KESOAudioSource.h"
#include "engine/NEngineGuard.h"
#include "foundation/KESOServices.h"
#include "tests/support/FakeServices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

static bool operator==(const FakeMessageBox::Message& a, const FakeMessageBox::Message& b)
{
    return a.text == b.text && a.caption == b.caption;
}

namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 10s; // only reached when something is broken

// Counts the playback thread's idle turns and close's waits, so that a test waits for the thread
// to have looked at the device again instead of sleeping.
class CountingTiming : public KESOWaveout::Timing {
public:
    void idle() override
    {
        bump(idles);
        std::this_thread::sleep_for(100us);
    }
    void waitForThread() override
    {
        bump(waits);
        std::this_thread::yield();
    }
    // Once the thread has idled twice more, its last look at the play position began after this
    // call, so whatever that position asked for has been filled.
    bool settle() { return await(idles, 2); }
    bool closeIsWaiting() { return await(waits, 1); }

private:
    void bump(int& count)
    {
        {
            std::lock_guard<std::mutex> hold(mutex);
            ++count;
        }
        changed.notify_all();
    }
    bool await(const int& count, int more)
    {
        std::unique_lock<std::mutex> hold(mutex);
        const int target = count + more;
        return changed.wait_for(hold, Patience, [&] { return count >= target; });
    }

    std::mutex mutex;
    std::condition_variable changed;
    int idles = 0;
    int waits = 0;
};

// Fills every sample of its n-th render with n and remembers where each render went and on which
// thread. Gated, it holds the playback thread's renders until opened.
class RecordingSource : public KESOAudioSource {
public:
    struct Render {
        const std::int16_t* out;
        int frames, bits, rate, channels;
        std::thread::id thread;
    };

    void render(std::int16_t* out, int frames, int bits, int rate, int channels) override
    {
        overlapped = overlapped || commandRunning;
        std::unique_lock<std::mutex> hold(mutex);
        std::fill(out, out + frames * channels, static_cast<std::int16_t>(renders.size() + 1));
        renders.push_back({out, frames, bits, rate, channels, std::this_thread::get_id()});
        changed.notify_all();
        changed.wait(hold, [&] { return !gated || std::this_thread::get_id() == player; });
        overlapped = overlapped || commandRunning;
    }

    std::vector<Render> taken()
    {
        std::lock_guard<std::mutex> hold(mutex);
        return renders;
    }
    std::size_t count() { return taken().size(); }
    bool waitForCount(std::size_t n)
    {
        std::unique_lock<std::mutex> hold(mutex);
        return changed.wait_for(hold, Patience, [&] { return renders.size() >= n; });
    }
    void open()
    {
        std::lock_guard<std::mutex> hold(mutex);
        gated = false;
        changed.notify_all();
    }

    const std::thread::id player = std::this_thread::get_id();
    bool gated = false;
    std::atomic<bool> commandRunning{false}; // set only while the engine lock is held elsewhere
    std::atomic<bool> overlapped{false};     // a render ran while it was set

private:
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<Render> renders;
};

using Messages = std::vector<FakeMessageBox::Message>;

class KESOWaveoutTest : public ::testing::Test {
protected:
    static constexpr int SegmentFrames = 992;

    // The ring segment of each render, in render order.
    std::vector<int> segments()
    {
        std::vector<int> result;
        for (const RecordingSource::Render& render : source.taken())
            result.push_back(static_cast<int>((render.out - device.buffer) / (SegmentFrames * 2)));
        return result;
    }
    // Moves the device's play position and waits until the thread has acted on it.
    void playAt(std::uint32_t position)
    {
        device.played = position;
        ASSERT_TRUE(timing.settle());
    }

    FakeServices services;
    FakeAudioDevice& device = services.audioDevice;
    Messages& messages = services.messageBox.shown;
    CountingTiming timing;
    RecordingSource source;
    KESOWaveout waveout{&timing}; // last: closed before the rest goes
};

TEST_F(KESOWaveoutTest, PlayRendersFiveSegmentsThenTheThreadFillsTheRestAtOnce)
{
    ASSERT_TRUE(waveout.play(&source, 1000));
    EXPECT_TRUE(waveout.isOpen());
    EXPECT_EQ(waveout.segmentFrames(), SegmentFrames);
    EXPECT_TRUE(device.playing);
    EXPECT_EQ(device.frames * 4, 31744); // bytes of the ring

    ASSERT_TRUE(timing.settle());
    EXPECT_EQ(segments(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7}));
    const std::vector<RecordingSource::Render> renders = source.taken();
    for (std::size_t n = 0; n < renders.size(); ++n) {
        EXPECT_EQ(renders[n].thread == source.player, n < 5) << "render " << n; // five inside play
        EXPECT_EQ(renders[n].frames, SegmentFrames);
        EXPECT_EQ(renders[n].bits, 16);
        EXPECT_EQ(renders[n].rate, 44100);
        EXPECT_EQ(renders[n].channels, 2);
    }
    EXPECT_EQ(device.buffer[0], 1);
    EXPECT_EQ(device.buffer[8 * SegmentFrames * 2 - 1], 8); // the last render reaches the ring's end

    playAt(0); // still on segment 0: the ring is full
    EXPECT_EQ(source.count(), 8u);
}

TEST_F(KESOWaveoutTest, TheThreadRefillsTwoSegmentsBehindThePlayPosition)
{
    ASSERT_TRUE(waveout.play(&source, 1000));
    playAt(1 * SegmentFrames);
    playAt(3 * SegmentFrames - 1);
    EXPECT_EQ(source.count(), 8u);
    playAt(3 * SegmentFrames); // segment 0 is free: filled, and writeSegment is 1
    playAt(3 * SegmentFrames + 500);
    EXPECT_EQ(segments(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0}));
    playAt(4 * SegmentFrames);
    EXPECT_EQ(segments(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0, 1}));

    // The position is unsigned: past 2^31 it still counts forward. 0x80000BE3 / 992 is 5 mod 8.
    playAt(0x80000BE3u);
    EXPECT_EQ(segments().size(), 11u);
    EXPECT_EQ(segments().back(), 2);
}

TEST_F(KESOWaveoutTest, TheRingNeverRunsDryNorOverwritesWhatIsStillToPlay)
{
    ASSERT_TRUE(waveout.play(&source, 1000));
    // A step that divides no segment lands everywhere inside them over three rounds.
    for (std::uint32_t position = 0; position < 3 * 8 * SegmentFrames; position += 331) {
        playAt(position);
        const std::uint32_t playing = position / SegmentFrames; // counted from the start
        EXPECT_GE(source.count(), playing + 5) << "at frame " << position;
        EXPECT_LE(source.count(), playing + 8) << "at frame " << position;
    }
    const std::vector<int> order = segments();
    for (std::size_t n = 0; n < order.size(); ++n)
        ASSERT_EQ(order[n], static_cast<int>(n % 8)) << "render " << n;
}

TEST_F(KESOWaveoutTest, RendersRunUnderTheEngineLock)
{
    std::atomic<bool> stop{false};
    std::thread commands([&] { // a busy stand-in for the GUI thread's song commands
        while (!stop) {
            {
                NEngineGuard guard;
                source.commandRunning = true;
                for (auto until = std::chrono::steady_clock::now() + 50us; std::chrono::steady_clock::now() < until;) {
                }
                source.commandRunning = false;
            }
            std::this_thread::yield();
        }
    });
    ASSERT_TRUE(waveout.play(&source, 1000));
    for (std::uint32_t segment = 0; segment < 24; ++segment)
        playAt(segment * SegmentFrames);
    stop = true;
    commands.join();
    EXPECT_GE(source.count(), 24u);
    EXPECT_FALSE(source.overlapped);
}

TEST_F(KESOWaveoutTest, CloseWaitsForTheRenderInProgressAndStopsTheThread)
{
    source.gated = true;
    ASSERT_TRUE(waveout.play(&source, 1000));
    ASSERT_TRUE(source.waitForCount(6)); // the thread is inside its first render
    std::atomic<bool> closed{false};
    std::thread closer([&] {
        waveout.close();
        closed = true;
    });
    ASSERT_TRUE(timing.closeIsWaiting());
    EXPECT_FALSE(closed);
    source.open();
    closer.join();
    EXPECT_EQ(source.count(), 6u); // segments 6 and 7 were no longer wanted
    EXPECT_FALSE(waveout.isOpen());
    EXPECT_FALSE(device.isOpen);
}

TEST_F(KESOWaveoutTest, PlayWhileOpenIsRefusedAndCloseWhileClosedIsHarmless)
{
    ASSERT_TRUE(waveout.play(&source, 1000));
    RecordingSource other;
    EXPECT_FALSE(waveout.play(&other, 2000));
    EXPECT_EQ(device.opens, 1);
    EXPECT_EQ(waveout.segmentFrames(), SegmentFrames);
    playAt(3 * SegmentFrames); // the thread still fills from the first source
    EXPECT_EQ(source.count(), 9u);
    EXPECT_EQ(other.count(), 0u);

    waveout.close();
    waveout.close();
    EXPECT_FALSE(waveout.isOpen());
    EXPECT_EQ(device.closes, 1);

    device.played = 0; // opened again: a fresh ring, filled from its first segment
    ASSERT_TRUE(waveout.play(nullptr, 1000)); // without a source the ring stays silent
    playAt(0);
    EXPECT_TRUE(std::all_of(device.buffer, device.buffer + device.frames * 2, [](std::int16_t s) { return s == 0; }));
    EXPECT_TRUE(messages.empty());
}

TEST_F(KESOWaveoutTest, ADeviceThatCannotBeOpenedIsToldOnceAndStartsNothing)
{
    const FakeMessageBox::Message openError{"Error opening waveout device", "Waveout"};
    device.canOpen = false;
    EXPECT_FALSE(waveout.play(&source, 1000));
    EXPECT_FALSE(waveout.isOpen());
    EXPECT_EQ(messages, Messages{openError});
    EXPECT_EQ(source.count(), 0u);
    waveout.close();
    EXPECT_EQ(device.closes, 0);

    // A machine without sound: every later load and export tries again, silently.
    EXPECT_FALSE(waveout.play(&source, 1000));
    EXPECT_EQ(device.opens, 2);
    KESOServices::instance().audioDevice = nullptr; // no device at all counts the same
    EXPECT_FALSE(waveout.play(&source, 1000));
    EXPECT_EQ(messages.size(), 1u);

    // Once sound has worked, losing it is news again.
    KESOServices::instance().audioDevice = &device;
    device.canOpen = true;
    ASSERT_TRUE(waveout.play(&source, 1000));
    waveout.close();
    device.canOpen = false;
    EXPECT_FALSE(waveout.play(&source, 1000));
    EXPECT_EQ(messages, (Messages{openError, openError}));
}

TEST_F(KESOWaveoutTest, AFailedStartTellsWhyAndReleasesTheDevice)
{
    device.canPlay = false;
    EXPECT_FALSE(waveout.play(&source, 1000));
    EXPECT_FALSE(waveout.isOpen());
    EXPECT_EQ(messages, (Messages{{"Error writing initial data to waveout", "Waveout"}}));
    EXPECT_EQ(source.count(), 5u); // the segments written before the device refused
    EXPECT_FALSE(device.isOpen);

    // Segments shorter than a block leave no ring to play, and nothing to count segments by.
    device.canPlay = true;
    messages.clear();
    EXPECT_FALSE(waveout.play(&source, 31));
    EXPECT_FALSE(waveout.play(&source, -1000));
    EXPECT_EQ(messages, Messages(2, {"Error preparing header", "Waveout"}));
    EXPECT_EQ(source.count(), 5u);
    EXPECT_EQ(device.closes, 3);

    EXPECT_TRUE(waveout.play(&source, 32)); // the smallest ring works
    EXPECT_EQ(device.frames, 8 * 32);
}

} // namespace
