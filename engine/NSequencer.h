#pragma once

#include "engine/NSeqTrack.h"
#include "engine/NSongLayout.h"
#include "engine/NTime.h"
#include "foundation/KESOString.h"

#include <cstdint>

class ChunkFile;

// The sequencer's settings and clock as a new sequencer has them, which resetDefaults() restores.
struct NSequencerState {
    static constexpr int DefaultTempo = 120;

    int machineCount = 0;
    int stepsPerBar = ntime::DefaultStepsPerBar;
    int position = 0;
    int blockCounter = 0;
    int tempo = DefaultTempo;
    int samplesPerStep = ntime::stepFrames(DefaultTempo);
    int blocksPerStep = ntime::stepFrames(DefaultTempo) / ntime::BlockFrames;
    int mode = 0;
    int loopStart = 0;
    int loopEnd = 4;
    int swing = 0;
    bool loopOn = false;
    bool playing = false;
    int swingPhase = 0;
    long long stepsPlayed = 0; // steps begun since start(), for renders that count passes of a loop
    int loadedTempo = DefaultTempo; // the clock's tempo as the last load set it; renders overwrite tempo
    bool loaded = false;
};

// The song and the engine's clock: five tracks, one per machine, and the settings that say how fast
// and in which order the machines' patterns play. It has no timer of its own: the mixer calls tick()
// after every rendered block, so musical time is counted in rendered audio.
class NSequencer : public NSequencerState {
public:
    static constexpr int MachineCount = songlayout::MachineCount; // a track for each
    static constexpr int StepEvent = 16;
    static constexpr int HalfStepEvent = 32;
    static constexpr int TicksPerStep = ntime::TicksPerStep;
    // Swing beyond this would stretch a step past its pair's length, and a hostile value by
    // millions of blocks.
    static constexpr int MaxSwing = 255;

    enum class LoadResult { CannotOpen, NotASong, Loaded };

    static NSequencer& instance();

    NSequencer();
    NSequencer(const NSequencer&) = delete;
    NSequencer& operator=(const NSequencer&) = delete;
    virtual ~NSequencer();

    void resetDefaults();
    void addMachine(NAutomatable* machine);

    // Reads a song file into the sequencer, its tracks and the machines; false only when the file
    // cannot be opened (loadError then says why).
    bool load(const String& path);
    LoadResult loadSong(const String& path);

    void setTempo(int bpm);
    // Held to 0 .. MaxSwing.
    void setSwing(int amount);
    void setPosition(int ticks);
    void locate(int ticks);
    void setMode(int m);
    void start();
    void stop();
    void tick();
    // Whether the next tick begins a step: the block rendered before it is that step's first.
    bool nextTickBeginsStep() const { return playing && blockCounter >= currentStepBlocks(); }
    void setLoopStartAt(int ticks);
    void setLoopEndAt(int ticks);
    void setUntitled();
    // The clock as a loaded song has it before anything plays: not playing, no block counted, no
    // swing yet and on its first phase, the tempo as the last load set it. Position, loop, mode,
    // the machines' patterns and the tracks' data stay.
    void resetRunState();

    int barTicks() const { return stepsPerBar * TicksPerStep; }
    NAutomatable* machine(int n) const { return tracks[n].machine; }

    NSeqTrack tracks[MachineCount];
    String fileName;
    String loadError; // the system's reason when the last load could not open its file

private:
    // Blocks the current step lasts: swing lengthens odd steps and shortens even ones.
    long long currentStepBlocks() const;
    int barStart(int ticks) const;
    // The bar whose start is nearest, for loop points set anywhere in a bar.
    int nearestBar(int ticks) const;
    void keepLoopInArrangement();
    void readSongBody(ChunkFile& file);
    void readVersion(ChunkFile& file);
    void readSettings(ChunkFile& file);
    void readMachines(ChunkFile& file);
    void startStep();
};
