#include "cli/NRenderOptions.h"

#include <cerrno>
#include <cstdlib>

namespace {

constexpr int MaxBar = 999;
constexpr double MaxTailSeconds = 3600;

bool parseBar(const std::string& text, int& bar)
{
    char* end = nullptr;
    errno = 0;
    long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != 0 || errno != 0 || value < 0 || value > MaxBar)
        return false;
    bar = static_cast<int>(value);
    return true;
}

bool parseSeconds(const std::string& text, double& seconds)
{
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != 0 || !(value >= 0 && value <= MaxTailSeconds))
        return false;
    seconds = value;
    return true;
}

} // namespace

const char* NRenderOptions::usage()
{
    return "usage: ruzi-render [SONG.vdl] [-o OUT.wav] [--start BAR] [--end BAR] [--seamless]\n"
           "                   [--tail SECONDS] [--loop-points] [--quiet]\n"
           "       ruzi-render --info [--json] [SONG.vdl]\n"
           "       ruzi-render --help | --version\n"
           "Renders the song's loop into a 44100 Hz 16-bit stereo WAV file, exactly as the program's\n"
           "\"Export Loop to WAV...\" does. Without SONG it renders the bundled default song.\n"
           "  -o OUT.wav      where to write (default: the song's name with .wav, here)\n"
           "  --start BAR     first bar of the loop, instead of the song's own\n"
           "  --end BAR       bar at which the loop ends (not included), instead of the song's own\n"
           "  --seamless      render the loop twice and keep the second pass, so that it loops cleanly\n"
           "  --tail SECONDS  go on that long after the loop with the song stopped, for effect tails\n"
           "  --loop-points   add the loop to the file as a sampler's loop points (a \"smpl\" chunk)\n"
           "  --info          print a summary of the song instead of rendering\n"
           "  --json          with --info: the summary as one JSON object, for scripts\n"
           "  --quiet         print nothing but errors\n"
           "  -h, --help      print this and exit\n"
           "  --version       print the program's name and version and exit\n"
           "Exit status: 0 written, 1 bad usage or an empty loop, 2 the song cannot be opened, 3 not a\n"
           "song, 4 the output cannot be written, 5 aborted, 6 the loop is too long for a WAV file, 7 out\n"
           "of memory.\n";
}

bool NRenderOptions::parse(int argc, char** argv, NRenderOptions& options, std::string& error)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool takesValue = arg == "-o" || arg == "--start" || arg == "--end" || arg == "--tail";
        if (takesValue && i + 1 >= argc) {
            error = arg + " needs a value";
            return false;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--info") {
            options.info = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--seamless") {
            options.seamless = true;
        } else if (arg == "--loop-points") {
            options.loopPoints = true;
        } else if (arg == "-o") {
            options.output = argv[++i];
        } else if (arg == "--start" || arg == "--end") {
            int bar = 0;
            if (!parseBar(argv[++i], bar)) {
                error = arg + " takes a bar number from 0 to 999, not \"" + argv[i] + "\"";
                return false;
            }
            (arg == "--start" ? options.startBar : options.endBar) = bar;
        } else if (arg == "--tail") {
            if (!parseSeconds(argv[++i], options.tailSeconds)) {
                error = "--tail takes seconds from 0 to 3600, not \"" + std::string(argv[i]) + "\"";
                return false;
            }
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else if (options.song.empty()) {
            options.song = arg;
        } else {
            error = "only one song at a time";
            return false;
        }
    }
    if (options.json && !options.info) {
        error = "--json goes with --info";
        return false;
    }
    return true;
}
