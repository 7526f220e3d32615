// The playback thread: how it keeps the ring filled on a fake device, and (PlaybackRaceTest) the
// real engine rendered through the real fill loop while this thread, as the GUI thread does, throws
// every song command at it. Under -DRUZI_TSAN=ON (scripts/tsan.sh) ThreadSanitizer watches every
// access both threads make; in the other builds AddressSanitizer and UndefinedBehaviorSanitizer do.
#include "audio/KESOWaveout.h"

#include "audio/KESOAudioSource.h"
#include "engine/NProgramSession.h"
#include "engine/NSongCommands.h"
#include "engine/NSongLayout.h"
#include "engine/NVandrelCore.h"
#include "foundation/KESOServices.h"
#include "tests/support/FakeServices.h"
#include "tests/support/RecordingMachine.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

static bool operator==(const FakeMessageBox::Message& a, const FakeMessageBox::Message& b)
{
    return a.text == b.text && a.caption == b.caption;
}

namespace {

using namespace std::chrono_literals;

constexpr int SegmentFrames = 992;

// The playback thread's clock and source in one. It counts the thread's idle turns and close's
// waits, so that a test waits for the thread to have acted instead of sleeping, and fills every
// sample of its n-th render with n. Gated, it holds the playback thread's renders until opened.
class Probe : public KESOWaveout::Timing, public KESOAudioSource {
public:
    void idle() override
    {
        set([&] { ++idles; });
        std::this_thread::sleep_for(100us);
    }
    void waitForThread() override { set([&] { ++waits; }); }
    void render(std::int16_t* out, int frames, int /*bits*/, int /*rate*/, int channels) override
    {
        std::unique_lock<std::mutex> hold(mutex);
        std::fill(out, out + frames * channels, static_cast<std::int16_t>(renders.size() + 1));
        renders.push_back(out);
        changed.notify_all();
        const bool inPlay = std::this_thread::get_id() == player; // play's own renders are never held
        changed.wait(hold, [&] { return !gated || inPlay; });
    }

    // Waits until done() holds, read under the lock; set() changes the probe under it.
    template <class Done> bool await(Done done)
    {
        std::unique_lock<std::mutex> hold(mutex);
        return changed.wait_for(hold, 10s, done); // only reached when something is broken
    }
    template <class Change> void set(Change change)
    {
        std::lock_guard<std::mutex> hold(mutex);
        change();
        changed.notify_all();
    }
    std::vector<const std::int16_t*> taken()
    {
        std::lock_guard<std::mutex> hold(mutex);
        return renders;
    }

    const std::thread::id player = std::this_thread::get_id();
    int idles = 0, waits = 0;    // under the lock
    bool gated = false;          // under the lock
    std::vector<const std::int16_t*> renders; // under the lock

private:
    std::mutex mutex;
    std::condition_variable changed;
};

using Messages = std::vector<FakeMessageBox::Message>;

class KESOWaveoutTest : public ::testing::Test {
protected:
    // The ring segment of each render, in render order.
    std::vector<int> segments()
    {
        std::vector<int> result;
        for (const std::int16_t* out : probe.taken())
            result.push_back(static_cast<int>((out - device.buffer) / (SegmentFrames * 2)));
        return result;
    }
    // Moves the device's play position and waits for two more idle turns: the thread's last look
    // at the position began after the move, so whatever it asked for has been filled.
    void playAt(std::uint32_t position)
    {
        device.played = position;
        int target = 0;
        probe.set([&] { target = probe.idles + 2; });
        ASSERT_TRUE(probe.await([&] { return probe.idles >= target; }));
    }

    FakeServices services;
    FakeAudioDevice& device = services.audioDevice;
    Messages& messages = services.messageBox.shown;
    Probe probe;
    KESOWaveout waveout{&probe}; // last: closed before the rest goes
};

TEST_F(KESOWaveoutTest, SegmentsAreWhole32FrameBlocks992FramesMakeA31744ByteRing)
{
    const Messages header{{"Error preparing header", "Waveout"}};
    for (auto [asked, frames, bytes] : {std::array{1000, 992, 31744}, {32, 32, 1024}, {31, 0, 0}, {-1000, 0, 0}}) {
        messages.clear();
        device.frames = 0;
        EXPECT_EQ(waveout.play(&probe, asked), frames != 0) << asked;
        EXPECT_EQ(waveout.isOpen() && device.playing, frames != 0);
        EXPECT_EQ((std::array{waveout.isOpen() ? waveout.segmentFrames() : 0, device.frames * 4}),
                  (std::array{frames, bytes}));
        EXPECT_EQ(messages, frames != 0 ? Messages{} : header) << asked;
        waveout.close();
        EXPECT_FALSE(device.isOpen);
    }
}

// Play renders five segments itself; then filling stops two segments behind the one playing.
TEST_F(KESOWaveoutTest, TheThreadSleepsWhileSegmentThreePlaysWithOneNextAndFillsItWhenFourStarts)
{
    ASSERT_TRUE(waveout.play(&probe, 1000));
    playAt(3 * SegmentFrames - 1);
    EXPECT_EQ(probe.taken().size(), 8u);
    playAt(3 * SegmentFrames); // segment 0 is free: filled, and writeSegment is 1
    playAt(3 * SegmentFrames + 500);
    EXPECT_EQ(segments(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0}));
    playAt(4 * SegmentFrames);
    EXPECT_EQ(segments(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0, 1}));

    // The position is unsigned: past 2^31 it still counts forward. 0x80000BE3 / 992 is 5 mod 8.
    playAt(0x80000BE3u);
    EXPECT_EQ(segments(), (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 0, 1, 2}));
}

TEST_F(KESOWaveoutTest, CloseWaitsForTheRenderInProgressAndASecondCloseIsHarmless)
{
    probe.gated = true;
    ASSERT_TRUE(waveout.play(&probe, 1000));
    ASSERT_TRUE(probe.await([&] { return probe.renders.size() == 6; })); // inside the thread's first
    std::atomic<bool> closed{false};
    std::thread closer([&] { waveout.close(); closed = true; });
    ASSERT_TRUE(probe.await([&] { return probe.waits > 0; }));
    EXPECT_FALSE(closed);
    probe.set([&] { probe.gated = false; });
    closer.join();
    waveout.close();
    EXPECT_EQ(probe.taken().size(), 6u); // segments 6 and 7 were no longer wanted
    EXPECT_FALSE(waveout.isOpen() || device.isOpen || device.closes != 1);

    ASSERT_TRUE(waveout.play(nullptr, 1000)); // opened again without a source: a silent ring
    playAt(0);
    EXPECT_TRUE(std::all_of(device.buffer, device.buffer + device.frames * 2, [](std::int16_t s) { return s == 0; }));
}

TEST_F(KESOWaveoutTest, ADeviceThatCannotBeOpenedIsToldOnceAndStartsNothing)
{
    device.canOpen = false;
    EXPECT_FALSE(waveout.play(&probe, 1000));
    EXPECT_FALSE(waveout.play(&probe, 1000)); // every later load and export tries again, silently
    KESOServices::instance().audioDevice = nullptr; // no device at all counts the same
    EXPECT_FALSE(waveout.play(&probe, 1000));
    EXPECT_EQ((std::array{device.opens, device.closes, static_cast<int>(probe.taken().size())}), (std::array{2, 0, 0}));
    EXPECT_EQ(messages, (Messages{{"Error opening waveout device", "Waveout"}}));

    // A device that opens but will not start: told why, and released.
    KESOServices::instance().audioDevice = &device;
    device.canOpen = true;
    device.canPlay = false;
    messages.clear();
    EXPECT_FALSE(waveout.play(&probe, 1000));
    EXPECT_FALSE(waveout.isOpen() || device.isOpen);
    EXPECT_EQ(messages, (Messages{{"Error writing initial data to waveout", "Waveout"}}));
    EXPECT_EQ(probe.taken().size(), 5u); // the segments written before the device refused
}

// A sound card that has always just finished the segment before the one being filled, playing the
// mixer as the program does: its idle turns move the play position on, so that the playback thread
// never stops rendering. It counts the segments rendered.
class RunningCard : public KESOWaveout::Timing, public KESOAudioSource {
public:
    explicit RunningCard(FakeAudioDevice& device) : device_(device) {}
    void idle() override
    {
        device_.played += SegmentFrames;
        std::this_thread::sleep_for(50us);
    }
    void waitForThread() override { std::this_thread::yield(); }
    void render(std::int16_t* out, int frames, int bits, int rate, int channels) override
    {
        NVandrelCore::instance().mixer.render(out, frames, bits, rate, channels);
        ++segments;
    }
    std::atomic<int> segments{0};

private:
    FakeAudioDevice& device_;
};

class PlaybackRaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        services.programPath.path = RUZI_BIN_DIR "/ruzi-render";
        ASSERT_TRUE(session.startUp()) << "the bundled song is missing";
    }
    void TearDown() override
    {
        waveout.close();
        resetEngineForTest();
    }
    int pick(int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); }

    static constexpr int Bars = 24;
    std::mt19937 random{2024};
    // Every song command, its arguments drawn from the song's own ranges and a little beyond them.
    const std::vector<std::function<void()>> commands = {
        [] { NSongCommands::start(); }, [] { NSongCommands::stop(); }, [] { NSongCommands::startOrStop(); },
        [] { NSongCommands::stopOrRewind(); }, [this] { NSongCommands::locate(pick(Bars * 256)); },
        [this] { NSongCommands::setMode(pick(2)); }, [] { NSongCommands::setLoopStartAtPosition(); },
        [] { NSongCommands::setLoopEndAtPosition(); },
        [this] {
            const int start = pick(Bars);
            NSongCommands::setLoopBars(start, start + 1 + pick(4));
        },
        [this] { NSongCommands::setLoopOn(pick(2) == 1); },
        [this] { NSongCommands::removeAutomation(pick(songlayout::MachineCount), pick(Bars)); },
        [this] {
            const int machine = pick(songlayout::MachineCount);
            NSongCommands::setParameter(machine, pick(songlayout::ParameterCounts[machine]), pick(256));
        },
        [] { NSongCommands::transport(); }};
    FakeServices services;
    NProgramSession session;
    RunningCard card{services.audioDevice};
    KESOWaveout waveout{&card}; // last: closed before the engine and the services go
};

TEST_F(PlaybackRaceTest, EverySongCommandWhileThePlaybackThreadRendersAndAcrossSongLoads)
{
    std::vector<int> issued(commands.size());
    for (int load = 0; load < 3; ++load) {
        ASSERT_TRUE(waveout.play(&card, SegmentFrames));
        const int before = card.segments; // the five segments play renders on this thread
        NSongCommands::start();
        // Commands until the playback thread has rendered a good number of segments among them.
        const auto giveUp = std::chrono::steady_clock::now() + 60s;
        for (int n = 0; n < 1500 || card.segments - before < 100; ++n) {
            const int command = pick(static_cast<int>(commands.size()));
            commands[command]();
            ++issued[command];
            if (n % 16 == 0)
                std::this_thread::yield(); // let the playback thread in between commands too
            ASSERT_LT(std::chrono::steady_clock::now(), giveUp) << card.segments - before << " segments rendered";
        }
        // As Load Song does it: output closed, the song read, output open again.
        waveout.close();
        ASSERT_EQ(session.loadSong(NProgramSession::bundledSongPath()), NSequencer::LoadResult::Loaded);
    }
    EXPECT_EQ(std::count(issued.begin(), issued.end(), 0), 0);
}

} // namespace
