// ruzi-render: loads a song as the program does and reports on it.
#include "cli/NSongSummary.h"
#include "engine/NAutomatable.h"
#include "engine/NSequencer.h"
#include "foundation/KESOServices.h"
#include "platform/LinuxProgramPath.h"
#include "platform/StderrMessageBox.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

namespace {

enum ExitCode { Loaded = 0, BadUsage = 1, CannotOpen = 2, NotASong = 3 };

const char* const usage =
    "usage: ruzi-render [SONG.vdl] --info\n"
    "  --info   print a summary of the song (the bundled default song without SONG)\n";

struct Options {
    bool info = false;
    std::string song;
};

bool parse(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--info")
            options.info = true;
        else if (!arg.empty() && arg[0] == '-')
            return false;
        else if (options.song.empty())
            options.song = arg;
        else
            return false;
    }
    return true;
}

// A name from the command line is relative to the working directory, not the program folder.
String commandLinePath(const std::string& name)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(name, error);
    return String::fromUtf8(error ? name : absolute.string());
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parse(argc, argv, options)) {
        std::fputs(usage, stderr);
        return BadUsage;
    }
    if (!options.info) {
        std::fputs("ruzi-render: this build only prints song summaries; use --info\n", stderr);
        std::fputs(usage, stderr);
        return BadUsage;
    }

    LinuxProgramPath programPath;
    StderrMessageBox messages;
    KESOServices::instance().programPath = &programPath;
    KESOServices::instance().messageBox = &messages;

    // Parameter-only stand-ins for the five machines, in machine order.
    const int parameterCounts[NSequencer::MachineCount] = {20, 20, 20, 27, 41};
    std::unique_ptr<NAutomatable> machines[NSequencer::MachineCount];
    NSequencer& sequencer = NSequencer::instance();
    for (int n = 0; n < NSequencer::MachineCount; ++n) {
        machines[n] = std::make_unique<NAutomatable>(parameterCounts[n]);
        sequencer.addMachine(machines[n].get());
    }
    sequencer.setMode(0);
    sequencer.setMode(1);

    String defaultSong = u"data/newsong.vdl";
    String path = options.song.empty() ? makeAppPath(defaultSong) : commandLinePath(options.song);
    NSequencer::LoadResult result = sequencer.loadSong(path);
    if (result == NSequencer::LoadResult::CannotOpen) {
        std::fprintf(stderr, "ruzi-render: cannot open %s: %s\n", path.toUtf8().c_str(),
                     sequencer.loadError.toUtf8().c_str());
        return CannotOpen;
    }
    if (result == NSequencer::LoadResult::NotASong) {
        std::fprintf(stderr, "ruzi-render: %s is not a song\n", path.toUtf8().c_str());
        return NotASong;
    }
    std::fputs(NSongSummary::describe(sequencer, path).c_str(), stdout);
    return Loaded;
}
