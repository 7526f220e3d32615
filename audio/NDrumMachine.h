#pragma once

#include "audio/NFilter.h"
#include "audio/NSample.h"
#include "engine/NMachine.h"

#include <cstdint>

class ChunkFile;

// The twelve-pad sample drum machine: step patterns trigger the pads' samples (each step byte gives
// a velocity and an optional second hit on the half-step), the closed hi-hat chokes the open one,
// the summed kit may run through a resonant lowpass, and every hit is mirrored as a General MIDI
// percussion note.
class NDrumMachine : public NMachine {
public:
    static constexpr int ParameterCount = 27;
    static constexpr int Slots = NSample::KitSlots;
    static constexpr int Patterns = 32;
    static constexpr int PatternBytes = 200;
    static constexpr int MaxSteps = 16;
    static constexpr int LengthOffset = MaxSteps * Slots; // a pattern's length follows its steps

    // Parameters: 0 to 11 are the slots' volumes.
    static constexpr int FilterOn = 24;
    static constexpr int FilterCutoff = 25;
    static constexpr int FilterResonance = 26;
    static constexpr int DefaultVolume = 200;

    // Step byte: bits 0-1 the velocity (1 soft, anything else the accent), bit 2 repeat on the half.
    static constexpr int VelocityBits = 3;
    static constexpr int SoftHit = 1;
    static constexpr int HalfStepRepeat = 4;

    NDrumMachine();
    ~NDrumMachine() override;

    void onEvent(int event) override;
    void setPattern(int pattern) override;
    void setNextPattern(int pattern) override;
    void resetPlayback() override;
    void applyNextPattern() override;
    void resetDefaults() override;
    void save(ChunkFile& file) override;
    void load(ChunkFile& file) override;
    void render(std::int32_t* out) override;
    void renderBeforeFilters(std::int32_t* out, NFilterLanes& lanes) override;
    int getStep() override { return step_; }
    void resetRunState() override;

    // The kit.
    NSample& sample(int slot) { return samples_[slot]; }
    const NSample& sample(int slot) const { return samples_[slot]; }
    void loadDefaultKit();
    static int midiNote(int slot);
    static const char16_t* slotLabel(int slot);

    // The pattern bank, exactly as songs store it. Out-of-range addresses read 0 and write nothing.
    int stepByte(int pattern, int step, int slot) const;
    void setStepByte(int pattern, int step, int slot, int value);
    int patternLength(int pattern) const;
    void setPatternLength(int pattern, int steps);

    int currentPattern(int mode) const { return currentPattern_[mode]; }

private:
    void playStep(int pattern, bool halfStep);
    int playedLength(int pattern) const;
    void saveKit(ChunkFile& file);
    void loadKit(ChunkFile& file);

    std::int32_t currentPattern_[SetCount] = {0, 0}; // per sequencer mode; -1 none
    NSample samples_[Slots];
    std::int32_t step_ = 0;
    std::int32_t nextPattern_ = 0;
    std::uint8_t patterns_[Patterns * PatternBytes] = {};
    NFilter filter_;
};
