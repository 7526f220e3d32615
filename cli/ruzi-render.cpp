// ruzi-render: renders a song's loop into a WAV file exactly as the program's "Export Loop to
// WAV..." does, or prints a summary of the song.
#include "cli/NBatchRender.h"
#include "cli/NExitCode.h"
#include "cli/NLoopPoints.h"
#include "cli/NProgressBar.h"
#include "cli/NRenderOptions.h"
#include "cli/NSongJson.h"
#include "cli/NSongSummary.h"
#include "engine/NProgramSession.h"
#include "engine/NSongCommands.h"
#include "engine/NVandrelCore.h"
#include "foundation/KESOMessageBox.h"
#include "foundation/KESOServices.h"
#include "platform/InterruptKeyState.h"
#include "platform/LinuxProgramPath.h"
#include "platform/StderrMessageBox.h"
#include "platform/Terminal.h"

#include <cstdio>
#include <filesystem>
#include <new>
#include <string>

namespace {

// Messages for the terminal; --quiet keeps only the ones that report a failure.
class CommandLineMessages : public KESOMessageBox {
public:
    explicit CommandLineMessages(bool quiet) : quiet_(quiet) {}
    void show(const String& text, const String& caption) override
    {
        if (!quiet_ || !(caption == String(u"Version Warning")))
            stderrBox_.show(text, caption);
    }

private:
    bool quiet_;
    StderrMessageBox stderrBox_;
};

// A name from the command line is relative to the working directory, not the program folder.
String commandLinePath(const std::string& name)
{
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(name, error);
    return String::fromUtf8(error ? name : absolute.string());
}

int loadFailure(NSequencer::LoadResult result, const String& path)
{
    if (result == NSequencer::LoadResult::CannotOpen) {
        std::fprintf(stderr, "ruzi-render: cannot open %s: %s\n", path.toUtf8().c_str(),
                     NSequencer::instance().loadError.toUtf8().c_str());
        return CannotOpen;
    }
    std::fprintf(stderr, "ruzi-render: %s is not a song\n", path.toUtf8().c_str());
    return NotASong;
}

// A pad that did not load plays its previous sound, or silence: the file will not sound as the
// song meant.
void warnOfMissingSamples(const NRenderOptions& options)
{
    if (options.quiet)
        return;
    std::string failures = NSongSummary::kitFailures(NVandrelCore::instance());
    for (size_t start = 0; start < failures.size();) {
        size_t end = failures.find('\n', start);
        std::fprintf(stderr, "ruzi-render: warning: %s\n", failures.substr(start, end - start).c_str());
        start = end + 1;
    }
}

// The loop is what comes before the tail; a seamless file is all loop.
bool addLoopPoints(const std::string& path, std::int64_t loopFrames)
{
    std::string error;
    if (loopFrames > 0 && NLoopPoints::append(path, static_cast<std::uint32_t>(loopFrames - 1), error))
        return true;
    std::fprintf(stderr, "ruzi-render: cannot add the loop points to %s: %s\n", path.c_str(),
                 loopFrames > 0 ? error.c_str() : "the file holds no loop");
    return false;
}

int render(NProgramSession& session, const NRenderOptions& options)
{
    const NSongCommands::Transport song = NSongCommands::transport();
    const int loopStart = options.startBar.value_or(song.loopStart);
    const int loopEnd = options.endBar.value_or(song.loopEnd);
    if (loopEnd <= loopStart) {
        std::fprintf(stderr, "ruzi-render: the loop is empty: it ends at bar %d, which is not after its start at bar %d\n",
                     loopEnd, loopStart);
        return BadUsage;
    }
    NSongCommands::setLoopBars(loopStart, loopEnd);
    warnOfMissingSamples(options);
    String output = commandLinePath(options.outputFor(options.songs.empty() ? std::string() : options.songs.front()));
    NProgressBar progress(!options.quiet && Terminal::errorIsTerminal());
    NMixer::ExportOptions exportOptions;
    exportOptions.seamless = options.seamless;
    exportOptions.tailFrames = static_cast<int>(options.tailSeconds * 44100 + 0.5);
    exportOptions.progress = [&progress](double fraction) { progress.update(fraction); };

    NMixer::ExportResult result = options.stems ? session.exportWithStems(output, exportOptions)
                                                : session.exportLoop(output, exportOptions);
    if (result == NMixer::ExportResult::Failed)
        return CannotWrite;
    if (result == NMixer::ExportResult::TooLong)
        return TooLong;
    if (result == NMixer::ExportResult::Aborted)
        return Aborted;
    const std::int64_t frames = NVandrelCore::instance().mixer.exportedFrames();
    const double seconds = static_cast<double>(frames) / ntime::SampleRate;
    const std::int64_t loopFrames = frames - ntime::roundUpToBlocks(exportOptions.tailFrames);
    if (options.loopPoints && !addLoopPoints(output.toUtf8(), loopFrames))
        return CannotWrite;
    for (int m = 0; options.stems && options.loopPoints && m < NMixer::MaxMachines; ++m) {
        if (!addLoopPoints(NProgramSession::stemPath(output, m).toUtf8(), loopFrames))
            return CannotWrite;
    }
    progress.finish(seconds);
    if (!options.quiet)
        std::printf("Wrote %s: %.3f s, 44100 Hz 16-bit stereo\n", output.toUtf8().c_str(), seconds);
    for (int m = 0; options.stems && !options.quiet && m < NMixer::MaxMachines; ++m)
        std::printf("Wrote %s\n", NProgramSession::stemPath(output, m).toUtf8().c_str());
    return Written;
}

} // namespace

int main(int argc, char** argv)
try {
    NRenderOptions options;
    std::string error;
    if (!NRenderOptions::parse(argc, argv, options, error)) {
        std::fprintf(stderr, "ruzi-render: %s\n%s", error.c_str(), NRenderOptions::usage());
        return BadUsage;
    }
    if (options.help) {
        std::fputs(NRenderOptions::usage(), stdout);
        return Written;
    }
    if (options.version) {
        std::printf("ruzi-render %s\n", RUZI_VERSION);
        return Written;
    }

    LinuxProgramPath programPath;
    CommandLineMessages messages(options.quiet);
    InterruptKeyState keys;
    KESOServices& services = KESOServices::instance();
    services.programPath = &programPath;
    services.messageBox = &messages;
    services.keyState = &keys;
    if (options.outputIsFolder() && !options.info) {
        NBatchRender batch(options);
        if (int status = batch.prepare(); status != Written)
            return status;
        // Every song in a process of its own, which starts from a fresh engine.
        if (options.isBatch())
            return batch.run(programPath.programFile().toUtf8());
    }

    NProgramSession session;
    if (!session.startUp()) {
        std::fprintf(stderr, "ruzi-render: the bundled song %s is missing: %s\n",
                     NProgramSession::bundledSongPath().toUtf8().c_str(),
                     NSequencer::instance().loadError.toUtf8().c_str());
        return CannotOpen;
    }
    String path = options.songs.empty() ? NProgramSession::bundledSongPath() : commandLinePath(options.songs.front());
    NSequencer::LoadResult loaded = session.loadSong(path);
    if (loaded != NSequencer::LoadResult::Loaded)
        return loadFailure(loaded, path);

    if (options.info) {
        const NSequencer& sequencer = NSequencer::instance();
        const NVandrelCore& core = NVandrelCore::instance();
        std::string summary = options.json ? NSongJson::describe(sequencer, core, path)
                                           : NSongSummary::describe(sequencer, core, path);
        std::fputs(summary.c_str(), stdout);
        return Written;
    }
    return render(session, options);
} catch (const std::bad_alloc&) {
    // A song may ask for more than the machine has (a huge sample, under a memory limit).
    std::fputs("ruzi-render: out of memory\n", stderr);
    return OutOfMemory;
}
