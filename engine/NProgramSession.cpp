#include "engine/NProgramSession.h"

#include "engine/NBassSynth.h"
#include "engine/NTables.h"
#include "engine/NVandrelCore.h"

#include <filesystem>

namespace {

const char* const stemNames[NMixer::MaxMachines] = {"SYN1", "SYN2", "SYN3", "DRM"};

} // namespace

String NProgramSession::bundledSongPath()
{
    return makeAppPath(u"data/newsong.vdl");
}

void NProgramSession::startEngine()
{
    NVandrelCore::instance().init();
    NSequencer::instance().setMode(1);
}

void NProgramSession::buildTables()
{
    NTables::buildTables();
    NSequencer::instance().setMode(1);
}

bool NProgramSession::loadBundledSong()
{
    NSequencer& sequencer = NSequencer::instance();
    const NSequencer::LoadResult loaded = sequencer.loadSong(bundledSongPath());
    sequencer.setUntitled();
    return loaded != NSequencer::LoadResult::CannotOpen;
}

void NProgramSession::refreshMode()
{
    NSequencer::instance().setMode(NSequencer::instance().mode);
}

void NProgramSession::enterSongMode()
{
    NSequencer::instance().setMode(1);
}

bool NProgramSession::startUp()
{
    startEngine();
    buildTables();
    const bool found = loadBundledSong();
    refreshMode();
    enterSongMode();
    return found;
}

NSequencer::LoadResult NProgramSession::loadSong(const String& path)
{
    NVandrelCore& core = NVandrelCore::instance();
    NSequencer& sequencer = NSequencer::instance();
    const String previousName = sequencer.fileName;
    const bool previousLoaded = sequencer.loaded;
    const NSequencer::LoadResult result = sequencer.loadSong(path);
    if (result != NSequencer::LoadResult::Loaded) {
        // The song in memory is still the one before, and its name goes on naming it.
        sequencer.fileName = previousName;
        sequencer.loaded = previousLoaded;
    }
    if (result == NSequencer::LoadResult::CannotOpen)
        return result;
    sequencer.setMode(sequencer.mode);
    core.mixer.clearDelay();
    core.mixer.clearReverb();
    for (NBassSynth* synth : core.synths)
        synth->resetVoice();
    return result;
}

NMixer::ExportResult NProgramSession::exportLoop(const String& path, const NMixer::ExportOptions& options)
{
    // Live playback leaves voices ringing, phases, effect lines and the clock wherever it stopped;
    // an export starts from a freshly loaded song instead, so that the same loop always gives the
    // same file.
    NVandrelCore& core = NVandrelCore::instance();
    core.resetRunState();
    NMixer::ExportOptions fromTheStart = options;
    fromTheStart.restart = [&core] { core.resetRunState(); };
    return core.mixer.exportToWav(path, fromTheStart);
}

NMixer::ExportResult NProgramSession::exportWithStems(const String& path, const NMixer::ExportOptions& options)
{
    constexpr int Files = NMixer::MaxMachines + 1;
    NMixer::ExportOptions part = options;
    NMixer::ExportResult result = NMixer::ExportResult::Written;
    for (int file = 0; file < Files && result == NMixer::ExportResult::Written; ++file) {
        if (options.progress)
            part.progress = [&options, file](double fraction) { options.progress((file + fraction) / Files); };
        part.routedMachine = file - 1; // the mix first
        result = exportLoop(file == 0 ? path : stemPath(path, file - 1), part);
    }
    return result;
}

String NProgramSession::stemPath(const String& mixPath, int machine)
{
    std::filesystem::path path(mixPath.toUtf8());
    const std::string extension = path.has_extension() ? path.extension().string() : std::string(".wav");
    path.replace_extension();
    return String::fromUtf8(path.string() + "." + stemNames[machine] + extension);
}
