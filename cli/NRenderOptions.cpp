#include "cli/NRenderOptions.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace {

constexpr int MaxBar = 999;
constexpr double MaxTailSeconds = 3600;
constexpr int MaxJobs = 256;

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

bool parseCount(const std::string& text, int& count)
{
    int value = 0;
    if (!parseBar(text, value) || value < 1 || value > MaxJobs)
        return false;
    count = value;
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
           "                   [--stems] [--tail SECONDS] [--loop-points] [--quiet]\n"
           "       ruzi-render SONG.vdl SONG.vdl... [-o FOLDER/] [-j N] [options as above]\n"
           "       ruzi-render --info [--json] [SONG.vdl]\n"
           "       ruzi-render --help | --version\n"
           "Renders the song's loop into a 44100 Hz 16-bit stereo WAV file, exactly as the program's\n"
           "\"Export Loop to WAV...\" does. Without SONG it renders the bundled default song.\n"
           "  -o OUT.wav      where to write (default: the song's name with .wav, here)\n"
           "  -o FOLDER/      for several songs, or a name ending in /: the folder to write each song\n"
           "                  into under its name with .wav (made if missing)\n"
           "  -j N            songs rendered at a time, each in a process of its own (default: one\n"
           "                  per processor core)\n"
           "  --start BAR     first bar of the loop, instead of the song's own\n"
           "  --end BAR       bar at which the loop ends (not included), instead of the song's own\n"
           "  --seamless      keep the loop's second pass, its start faded in from the third, so that it\n"
           "                  loops without a gap or a click\n"
           "  --stems         also write one file per machine beside OUT: OUT.SYN1.wav, OUT.SYN2.wav,\n"
           "                  OUT.SYN3.wav, OUT.DRM.wav, each with only that machine in the mix\n"
           "  --tail SECONDS  go on that long after the loop with the song stopped, for effect tails\n"
           "  --loop-points   add the loop to the file as a sampler's loop points (a \"smpl\" chunk)\n"
           "  --info          print a summary of the song instead of rendering\n"
           "  --json          with --info: the summary as one JSON object, for scripts\n"
           "  --quiet         print nothing but errors\n"
           "  -h, --help      print this and exit\n"
           "  --version       print the program's name and version and exit\n"
           "Exit status: 0 written, 1 bad usage or an empty loop, 2 the song cannot be opened, 3 not a\n"
           "song, 4 the output cannot be written, 5 aborted, 6 the loop is too long for a WAV file, 7 out\n"
           "of memory. Several songs: the highest status of any of them.\n";
}

std::string NRenderOptions::outputFor(const std::string& song) const
{
    std::filesystem::path name = std::filesystem::path(song.empty() ? "newsong.vdl" : song).filename();
    name.replace_extension(".wav");
    if (!outputIsFolder())
        return output.empty() ? name.string() : output;
    return (std::filesystem::path(output) / name).string();
}

bool NRenderOptions::parseValue(const std::string& option, const std::string& value, std::string& error)
{
    if (option == "-o") {
        output = value;
    } else if (option == "-j") {
        if (!parseCount(value, jobs))
            error = "-j takes a number of songs at a time from 1 to " + std::to_string(MaxJobs) + ", not \"" +
                    value + "\"";
    } else if (option == "--tail") {
        if (!parseSeconds(value, tailSeconds))
            error = "--tail takes seconds from 0 to 3600, not \"" + value + "\"";
    } else {
        int bar = 0;
        if (parseBar(value, bar))
            (option == "--start" ? startBar : endBar) = bar;
        else
            error = option + " takes a bar number from 0 to 999, not \"" + value + "\"";
    }
    if (option != "-o" && option != "-j")
        renderArguments.insert(renderArguments.end(), {option, value});
    return error.empty();
}

bool NRenderOptions::parse(int argc, char** argv, NRenderOptions& options, std::string& error)
{
    const std::vector<std::string> switches = {"--info", "--json", "--quiet", "--seamless", "--stems", "--loop-points"};
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        bool takesValue = arg == "-o" || arg == "-j" || arg == "--start" || arg == "--end" || arg == "--tail";
        if (takesValue && i + 1 >= argc) {
            error = arg + " needs a value";
            return false;
        }
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (takesValue) {
            if (!options.parseValue(arg, argv[++i], error))
                return false;
        } else if (std::find(switches.begin(), switches.end(), arg) != switches.end()) {
            bool& flag = arg == "--info"       ? options.info
                         : arg == "--json"     ? options.json
                         : arg == "--quiet"    ? options.quiet
                         : arg == "--seamless" ? options.seamless
                         : arg == "--stems"    ? options.stems
                                               : options.loopPoints;
            flag = true;
            options.renderArguments.push_back(arg);
        } else if (arg.size() > 1 && arg[0] == '-') {
            error = "unknown option " + arg;
            return false;
        } else {
            options.songs.push_back(arg);
        }
    }
    if (options.json && !options.info) {
        error = "--json goes with --info";
        return false;
    }
    if (options.info && options.isBatch()) {
        error = "--info takes one song";
        return false;
    }
    return true;
}
