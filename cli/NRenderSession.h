#pragma once

#include "audio/NMixer.h"
#include "engine/NSequencer.h"
#include "foundation/KESOString.h"

// The engine brought up the way the program brings it up, so that a render from the command line
// gives the very bytes the program's "Export Loop to WAV..." writes after a fresh start and
// "Load Song...".
class NRenderSession {
public:
    // Start-up as the program does it: engine, song mode, tables, the bundled default song loaded
    // and marked untitled, the export screen's refresh. False when the bundled song is missing.
    bool startUp();
    // The program's Load Song steps.
    NSequencer::LoadResult loadSong(const String& path);
    NMixer::ExportResult exportLoop(const String& path, const NMixer::ExportOptions& options);

    static String defaultSongPath();
};
