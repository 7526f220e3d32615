#include "engine/NProgramSession.h"

#include "engine/NBassSynth.h"
#include "engine/NTables.h"
#include "engine/NVandrelCore.h"

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
