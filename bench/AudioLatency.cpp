// Real-time output of the busy song: audio_latency [SECONDS]
//
// 1. The time of one segment render (992 frames, what the playback thread asks of the mixer)
//    against the 22.5 ms the segment lasts.
// 2. Live playback through the waveout and the SDL device for SECONDS (default 5): how long the
//    playback thread holds the engine lock per segment, how long a song command waits for it, and
//    how far the ring stays ahead of the device. SDL_AUDIODRIVER picks the driver; unset, it is
//    SDL's dummy driver, which consumes frames at the pace of a sound card.
#include "audio/KESOAudioSource.h"
#include "audio/KESOWaveout.h"
#include "bench/BusySong.h"
#include "engine/NSongCommands.h"
#include "engine/NVandrelCore.h"
#include "foundation/KESOAudioDevice.h"
#include "foundation/KESOServices.h"
#include "platform/desktop/SdlAudioDevice.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <thread>
#include <time.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int SegmentFrames = 992;
constexpr double SegmentMs = 1000.0 * SegmentFrames / 44100;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// CPU time of the calling thread: unlike the wall clock, it leaves out the time the scheduler
// gives to others on a loaded machine.
double threadCpuMs()
{
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return 1000.0 * static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e6;
}

struct Spread {
    double mean, p99, max;
};

Spread spread(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    double sum = 0;
    for (double t : times)
        sum += t;
    return {sum / static_cast<double>(times.size()), times[times.size() * 99 / 100], times.back()};
}

void renderSegments()
{
    static std::int16_t out[SegmentFrames * 2];
    NMixer& mixer = NVandrelCore::instance().mixer;
    for (int n = 0; n < 100; ++n) // delay lines and caches warm
        mixer.render(out, SegmentFrames);
    std::vector<double> wall, cpu;
    for (int n = 0; n < 4000; ++n) {
        const auto start = Clock::now();
        const double startCpu = threadCpuMs();
        mixer.render(out, SegmentFrames);
        cpu.push_back(threadCpuMs() - startCpu);
        wall.push_back(msSince(start));
    }
    const Spread w = spread(wall), c = spread(cpu);
    std::printf("segment render (%d frames, %zu segments), budget %.1f ms:\n"
                "  wall: mean %.3f ms (%.2f%%), 99%% %.3f ms, max %.3f ms (%.1f%%)\n"
                "  cpu:  mean %.3f ms (%.2f%%), 99%% %.3f ms, max %.3f ms (%.1f%%)\n",
                SegmentFrames, wall.size(), SegmentMs, w.mean, 100 * w.mean / SegmentMs, w.p99, w.max,
                100 * w.max / SegmentMs, c.mean, 100 * c.mean / SegmentMs, c.p99, c.max, 100 * c.max / SegmentMs);
}

// The mixer as the program hands it over, timing each render: the playback thread holds the
// engine lock for the render and nothing else.
class TimedMixerSource : public KESOAudioSource {
public:
    void render(std::int16_t* out, int frames, int bits, int rate, int channels) override
    {
        const auto start = Clock::now();
        // How far ahead of the device this segment's first frame lies (negative: an underrun).
        const double leadMs =
            1000.0 * (static_cast<double>(rendered) - KESOServices::instance().audioDevice->position()) / 44100;
        if (rendered >= 5 * static_cast<std::int64_t>(frames)) // the first five fill the ring before play
            minLeadMs = std::min(minLeadMs, leadMs);
        NVandrelCore::instance().mixer.render(out, frames, bits, rate, channels);
        rendered += frames;
        const double ms = msSince(start);
        maxMs = std::max(maxMs, ms);
        sumMs += ms;
        ++renders;
    }

    std::int64_t rendered = 0;
    int renders = 0;
    double maxMs = 0, sumMs = 0, minLeadMs = 1e9;
};

int playLive(double seconds)
{
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    SdlAudioDevice device;
    KESOServices::instance().audioDevice = &device;
    TimedMixerSource source;
    KESOWaveout& waveout = KESOWaveout::instance();
    if (!waveout.play(&source, 1000)) {
        std::fprintf(stderr, "audio_latency: no audio device on driver %s\n", std::getenv("SDL_AUDIODRIVER"));
        return 1;
    }
    // A view reading the transport every millisecond, as the GUI thread would while drawing.
    double maxWaitMs = 0;
    int reads = 0;
    const auto start = Clock::now();
    while (msSince(start) < seconds * 1000) {
        const auto asked = Clock::now();
        NSongCommands::transport();
        maxWaitMs = std::max(maxWaitMs, msSince(asked));
        ++reads;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    const std::uint32_t played = device.position();
    waveout.close();
    KESOServices::instance().audioDevice = nullptr;
    std::printf("live on %s for %.1f s: %u frames played, %d segments rendered; engine lock held per segment: "
                "mean %.3f ms, max %.3f ms; longest wait of %d transport reads: %.3f ms; "
                "ring ahead of the device by at least %.1f ms\n",
                std::getenv("SDL_AUDIODRIVER"), seconds, played, source.renders,
                source.sumMs / std::max(source.renders, 1), source.maxMs, reads, maxWaitMs, source.minLeadMs);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5;
    const std::string folder = (std::filesystem::temp_directory_path() / "ruzi-audio-latency").string();
    if (seconds <= 0 || !BusySong::load(folder, BusySong::write(folder, 8))) {
        std::fprintf(stderr, "audio_latency: could not set up the busy song in %s\n", folder.c_str());
        return 1;
    }
    NSongCommands::setLoopOn(true);
    NSongCommands::start();
    renderSegments();
    return playLive(seconds);
}
