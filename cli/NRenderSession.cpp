#include "cli/NRenderSession.h"

#include "engine/NBassSynth.h"
#include "engine/NTables.h"
#include "engine/NVandrelCore.h"

String NRenderSession::defaultSongPath()
{
    return makeAppPath(u"data/newsong.vdl");
}

bool NRenderSession::startUp()
{
    NVandrelCore& core = NVandrelCore::instance();
    NSequencer& sequencer = NSequencer::instance();
    core.init();
    sequencer.setMode(1);
    NTables::buildTables();
    sequencer.setMode(1);
    NSequencer::LoadResult loaded = sequencer.loadSong(defaultSongPath());
    sequencer.setUntitled();
    sequencer.setMode(sequencer.mode); // the export screen's refresh
    sequencer.setMode(1);
    return loaded != NSequencer::LoadResult::CannotOpen;
}

NSequencer::LoadResult NRenderSession::loadSong(const String& path)
{
    NVandrelCore& core = NVandrelCore::instance();
    NSequencer& sequencer = NSequencer::instance();
    NSequencer::LoadResult result = sequencer.loadSong(path);
    if (result == NSequencer::LoadResult::CannotOpen)
        return result;
    sequencer.setMode(sequencer.mode);
    core.mixer.clearDelay();
    core.mixer.clearReverb();
    for (NBassSynth* synth : core.synths)
        synth->resetVoice();
    return result;
}

NMixer::ExportResult NRenderSession::exportLoop(const String& path, const NMixer::ExportOptions& options)
{
    std::lock_guard<std::mutex> hold(NVandrelCore::instance().engineLock());
    return NVandrelCore::instance().mixer.exportToWav(path, options);
}
