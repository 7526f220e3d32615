// The playback thread renders the real engine through the real fill loop while this thread, as the
// GUI thread does, throws every song command at it. Built with -DRUZI_TSAN=ON (scripts/tsan.sh)
// ThreadSanitizer watches every access both threads make; in the other builds AddressSanitizer and
// UndefinedBehaviorSanitizer do.
#include "audio/KESOAudioSource.h"
#include "audio/KESOWaveout.h"
#include "engine/NProgramSession.h"
#include "engine/NSongCommands.h"
#include "engine/NSongLayout.h"
#include "engine/NVandrelCore.h"
#include "tests/support/FakeServices.h"
#include "tests/support/RecordingMachine.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <random>
#include <thread>

namespace {

constexpr int SegmentFrames = 992;

// A sound card that has always just finished the segment before the one being filled: the
// playback thread's idle turns move its play position on, so the thread never stops rendering.
class RunningCard : public KESOWaveout::Timing {
public:
    explicit RunningCard(FakeAudioDevice& device) : device_(device) {}
    void idle() override
    {
        device_.played += SegmentFrames;
        std::this_thread::sleep_for(std::chrono::microseconds(50));
    }
    void waitForThread() override { std::this_thread::yield(); }

private:
    FakeAudioDevice& device_;
};

// The mixer as the program plays it, counting the segments it rendered.
class MixerSource : public KESOAudioSource {
public:
    void render(std::int16_t* out, int frames, int bits, int rate, int channels) override
    {
        NVandrelCore::instance().mixer.render(out, frames, bits, rate, channels);
        ++segments;
    }
    std::atomic<int> segments{0};
};

enum Command {
    Start, Stop, StartOrStop, StopOrRewind, Locate, SetMode, LoopStartAtPosition, LoopEndAtPosition,
    LoopBars, LoopOn, RemoveAutomation, SetParameter, ReadTransport, CommandCount
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

    // One command with arguments drawn from the song's own ranges and a little beyond them.
    void issue(Command command)
    {
        const int bars = 24;
        const int barTicks = 256;
        switch (command) {
        case Start: NSongCommands::start(); break;
        case Stop: NSongCommands::stop(); break;
        case StartOrStop: NSongCommands::startOrStop(); break;
        case StopOrRewind: NSongCommands::stopOrRewind(); break;
        case Locate: NSongCommands::locate(pick(bars * barTicks)); break;
        case SetMode: NSongCommands::setMode(pick(2)); break;
        case LoopStartAtPosition: NSongCommands::setLoopStartAtPosition(); break;
        case LoopEndAtPosition: NSongCommands::setLoopEndAtPosition(); break;
        case LoopBars: {
            const int start = pick(bars);
            NSongCommands::setLoopBars(start, start + 1 + pick(4));
            break;
        }
        case LoopOn: NSongCommands::setLoopOn(pick(2) == 1); break;
        case RemoveAutomation: NSongCommands::removeAutomation(pick(songlayout::MachineCount), pick(bars)); break;
        case SetParameter: {
            const int machine = pick(songlayout::MachineCount);
            NSongCommands::setParameter(machine, pick(songlayout::ParameterCounts[machine]), pick(256));
            break;
        }
        default: NSongCommands::transport(); break;
        }
    }
    int pick(int below) { return static_cast<int>(random() % static_cast<unsigned>(below)); }

    std::mt19937 random{2024};
    FakeServices services;
    NProgramSession session;
    MixerSource source;
    RunningCard card{services.audioDevice};
    KESOWaveout waveout{&card}; // last: closed before the engine and the services go
};

TEST_F(PlaybackRaceTest, EverySongCommandWhileThePlaybackThreadRendersAndAcrossSongLoads)
{
    std::array<int, CommandCount> issued{};
    for (int load = 0; load < 3; ++load) {
        ASSERT_TRUE(waveout.play(&source, SegmentFrames));
        const int before = source.segments; // the five segments play renders on this thread
        NSongCommands::start();
        // Commands until the playback thread has rendered a good number of segments among them.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        for (int n = 0; n < 1500 || source.segments - before < 100; ++n) {
            const auto command = static_cast<Command>(pick(CommandCount));
            issue(command);
            ++issued[command];
            if (n % 16 == 0)
                std::this_thread::yield(); // let the playback thread in between commands too
            ASSERT_LT(std::chrono::steady_clock::now(), giveUp) << "the playback thread rendered "
                                                                << source.segments - before << " segments";
        }
        // As Load Song does it: output closed, the song read, output open again.
        waveout.close();
        ASSERT_EQ(session.loadSong(NProgramSession::bundledSongPath()), NSequencer::LoadResult::Loaded);
    }
    for (int command = 0; command < CommandCount; ++command)
        EXPECT_GT(issued[command], 0) << "command " << command;
}

} // namespace
