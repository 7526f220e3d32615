// Renders a long, busy song's loop to a WAV file and reports the speed as seconds of audio per
// second of wall time: render_throughput [BARS] [OUT.wav].
#include "bench/BusySong.h"
#include "engine/NTime.h"
#include "engine/NVandrelCore.h"
#include "foundation/KESOString.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

int main(int argc, char** argv)
{
    int bars = argc > 1 ? std::atoi(argv[1]) : 64;
    std::string folder = (std::filesystem::temp_directory_path() / "ruzi-throughput").string();
    std::string out = argc > 2 ? argv[2] : folder + "/busy.wav";
    if (bars < 1 || !BusySong::load(folder, BusySong::write(folder, bars))) {
        std::fprintf(stderr, "render_throughput: could not set up a %d-bar song in %s\n", bars, folder.c_str());
        return 1;
    }
    auto started = std::chrono::steady_clock::now();
    NMixer::ExportResult result = NVandrelCore::instance().mixer.exportToWav(String::fromUtf8(out));
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (result != NMixer::ExportResult::Written)
        return 1;
    double audio = static_cast<double>((std::filesystem::file_size(out) - 44) / 4) / ntime::SampleRate;
    std::printf("%d bars: %.1f s of audio in %.3f s: %.0f x real time\n", bars, audio, wall, audio / wall);
    return 0;
}
