#pragma once

#include "audio/NMixer.h"
#include "engine/NSequencer.h"
#include "foundation/KESOString.h"

// The engine brought up, given a song and exported the way the program does it, shared by every
// executable so that a render from the command line gives the very bytes the window program's
// "Export Loop to WAV..." writes after a fresh start and "Load Song...".
//
// It takes no lock: every step runs while no audio plays (before the output starts, or between
// stopping and restarting it), so nothing else touches the song.
class NProgramSession {
public:
    // Start-up in the program's order. The window program runs the steps one by one with its own
    // in between (skin and fonts after startEngine, the export screen before refreshMode, audio
    // before enterSongMode); a program without a window calls startUp for all of them.
    void startEngine();    // the machines created and wired; song mode
    void buildTables();    // the synthesis tables; song mode once more
    bool loadBundledSong(); // the bundled song, marked untitled; false when it is missing
    void refreshMode();    // the current mode applied again, as the export screen's refresh does
    void enterSongMode();  // song mode, the last step
    bool startUp();        // all five; false when the bundled song is missing

    // The program's Load Song steps: the song read, its mode applied, the effect lines cleared
    // and the synthesizers' voices reset; when the file cannot be opened the rest is skipped. A file
    // that cannot be opened or is not a song leaves the song in memory, and its name, as they were.
    NSequencer::LoadResult loadSong(const String& path);
    // The engine's run-time state reset first (NVandrelCore::resetRunState), so that the file is
    // the same whatever played before: the one a fresh start and Load Song would write.
    NMixer::ExportResult exportLoop(const String& path, const NMixer::ExportOptions& options);
    // The mix at path, then beside it one file per machine (stemPath): each machine rendered as in
    // the mix, only it reaching the sums and sends, so that a DAW can take the parts apart. Every
    // file comes from a fresh run of the loop, so each has the mix's length. Stops at the first
    // file that is not written and answers for it.
    NMixer::ExportResult exportWithStems(const String& path, const NMixer::ExportOptions& options);
    // OUT.wav gives OUT.SYN1.wav, OUT.SYN2.wav, OUT.SYN3.wav, OUT.DRM.wav.
    static String stemPath(const String& mixPath, int machine);

    static String bundledSongPath();
};
