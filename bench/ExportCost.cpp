// What a seamless loop and stems cost against a plain export of the same busy song, as the
// command line renders them: export_cost [BARS] [REPEATS]. Each kind is timed REPEATS times in
// processor time and the fastest run counts, so that other work on the machine weighs less.
#include "bench/BusySong.h"
#include "engine/NProgramSession.h"
#include "foundation/KESOString.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

namespace {

struct Kind {
    const char* name;
    bool seamless;
    bool stems;
    int tailFrames;
};

double fastest(const std::string& out, const Kind& kind, int repeats)
{
    NProgramSession session;
    NMixer::ExportOptions options;
    options.seamless = kind.seamless;
    options.tailFrames = kind.tailFrames;
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        const std::clock_t started = std::clock();
        const String path = String::fromUtf8(out);
        const NMixer::ExportResult result =
            kind.stems ? session.exportWithStems(path, options) : session.exportLoop(path, options);
        if (result != NMixer::ExportResult::Written)
            return -1;
        best = std::min(best, static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    const int bars = argc > 1 ? std::atoi(argv[1]) : 32;
    const int repeats = argc > 2 ? std::atoi(argv[2]) : 3;
    const std::string folder = (std::filesystem::temp_directory_path() / "ruzi-export-cost").string();
    if (bars < 1 || repeats < 1 || !BusySong::load(folder, BusySong::write(folder, bars))) {
        std::fprintf(stderr, "export_cost: could not set up a %d-bar song in %s\n", bars, folder.c_str());
        return 1;
    }
    // A seamless loop with a tail renders the loop once more, for the tail to follow its end.
    const Kind kinds[] = {{"plain", false, false, 0},
                          {"--seamless", true, false, 0},
                          {"--seamless --tail 1", true, false, 44100},
                          {"--stems", false, true, 0},
                          {"--stems --seamless", true, true, 0}};
    double plain = 0;
    for (const Kind& kind : kinds) {
        const double seconds = fastest(folder + "/out.wav", kind, repeats);
        if (seconds < 0)
            return 1;
        plain = plain > 0 ? plain : seconds;
        std::printf("%-20s %7.3f s  %.2f x plain\n", kind.name, seconds, seconds / plain);
    }
    return 0;
}
