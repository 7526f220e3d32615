#pragma once

#include "audio/NMixer.h"

#include <mutex>

class NBassSynth;
class NDrumMachine;

// The engine's root: creates the three bass synthesizers and the drum machine, wires them into the
// mixer and the sequencer (machines 0 to 3, the mixer as machine 4) and destroys them at the end.
class NVandrelCore {
public:
    static constexpr int SynthCount = 3;

    static NVandrelCore& instance();

    NVandrelCore() = default;
    NVandrelCore(const NVandrelCore&) = delete;
    NVandrelCore& operator=(const NVandrelCore&) = delete;
    ~NVandrelCore() = default;

    // Once, before any song is loaded; a second call changes nothing.
    void init();
    // Once, after audio output has stopped; nothing may drive the sequencer afterwards.
    void shutDown();
    // Every piece of run-time state (the clock, each machine's voices, the effect lines, the noise
    // generator) back to where a fresh start and Load Song of the current song leave it, so that
    // whatever played before cannot reach the next render. The song's data is left alone.
    void resetRunState();

    NBassSynth* synths[SynthCount] = {};
    NDrumMachine* drums = nullptr;
    NMixer mixer;

private:
    friend class NEngineGuard; // the only way to the lock: a scoped guard
    // Serialises the playback thread's segment renders with the GUI thread's commands on the song.
    std::mutex lock;
};
