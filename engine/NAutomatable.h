#pragma once

#include <cstdint>

class ChunkFile;
class NAutomatable;

// Optional observer of a machine's parameters; nothing in the program attaches one today.
class NAutomatableListener {
public:
    virtual ~NAutomatableListener() = default;
    virtual void update(NAutomatable& machine) = 0;
};

// Base of every machine: two integer parameter sets (pattern mode, song mode) and the operations
// through which the sequencer, the tracks, the song loader and the mixer drive any machine.
class NAutomatable {
public:
    static constexpr int PatternSet = 0;
    static constexpr int SongSet = 1;
    static constexpr int SetCount = 2; // a set for each of the sequencer's modes

    explicit NAutomatable(int parameterCount);
    NAutomatable(const NAutomatable&) = delete;
    NAutomatable& operator=(const NAutomatable&) = delete;
    virtual ~NAutomatable();

    virtual void onEvent(int kind);
    virtual void setParameter(int index, int value);
    virtual int getCurrentPattern();
    virtual void setPattern(int pattern);
    virtual void setNextPattern(int pattern);
    virtual void resetPlayback();
    virtual void applyNextPattern();
    virtual void resetDefaults();
    virtual void save(ChunkFile& file);
    virtual void load(ChunkFile& file);
    virtual void setCurrentSetParameter(int index, int value);
    virtual void notifyChanged();
    virtual int getParameterCount();

    // The value a machine plays with: the set of the sequencer's current mode.
    int currentParameter(int index) const;
    int parameter(int set, int index) const { return parameterSets[set][index]; }

    void setListener(NAutomatableListener* l) { listener = l; }

    // A song may automate any of 64 columns; writes to columns the machine lacks are dropped.
    bool hasParameter(int index) const { return index >= 0 && index < parameterCount; }

protected:
    std::int32_t* parameterSets[SetCount];
    int parameterCount;
    NAutomatableListener* listener = nullptr;
};
