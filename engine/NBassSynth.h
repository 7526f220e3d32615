#pragma once

#include "audio/NEnvelope.h"
#include "audio/NFilter.h"
#include "audio/NOscillator.h"
#include "engine/NMachine.h"

#include <cstdint>

// One of the three monophonic bass synthesizers: two oscillators mixed or ring-modulated, one or two
// resonant filters swept by an envelope, and an amplitude envelope, playing step patterns with
// accent, slide and half-step retrigger. Every note it starts or stops also goes out as MIDI, on
// channel index for osc1 and index + 4 for osc2.
class NBassSynth : public NMachine {
public:
    static constexpr int ParameterCount = 20;
    static constexpr int PatternCount = 32;
    static constexpr int StepsPerPattern = 16;
    static constexpr int StepBytes = 6;
    static constexpr int PatternBytes = 104;
    static constexpr int LengthOffset = StepsPerPattern * StepBytes; // a pattern's length follows its steps
    static constexpr int BankBytes = PatternCount * PatternBytes;

    // Parameters (both sets; played from the set of the sequencer's mode).
    enum Parameter {
        Transpose = 0,
        Cutoff = 1,
        Resonance = 2,
        EnvelopeAmount = 3,
        Attack = 4,
        FilterDecay = 5,
        AccentAmount = 6,
        Wave1 = 7,
        Transpose1 = 8,
        Fine1 = 9,
        Wave2 = 11,
        Transpose2 = 12,
        Fine2 = 13,
        Balance = 15,
        RingModulation = 17,
        Highpass = 18,
        DualFilter = 19,
    };

    // Bytes of a step.
    enum StepByte { Note = 0, Octave = 1, Gate = 2, Accent = 3, Slide = 4, Retrigger = 5 };

    explicit NBassSynth(int index);

    void onEvent(int kind) override;
    int getCurrentPattern() override;
    void setPattern(int pattern) override;
    void setNextPattern(int pattern) override;
    void resetPlayback() override;
    void applyNextPattern() override;
    void resetDefaults() override;
    void save(ChunkFile& file) override;
    void load(ChunkFile& file) override;
    void render(std::int32_t* block) override;
    void renderBeforeFilters(std::int32_t* block, NFilterLanes& lanes) override;
    void renderAfterFilters(std::int32_t* block) override;
    int getStep() override;
    void resetRunState() override;

    // Silences the voice after a song is opened: both envelopes reset, the main filter cleared.
    void resetVoice();

    // The raw bank as songs store it; for the editor's and the tests' eyes.
    const std::uint8_t* patternBytes() const { return patterns; }
    int nextPatternNumber() const { return nextPattern; }

    NOscillator osc1;
    NOscillator osc2;
    NEnvelope ampEnvelope;
    NEnvelope filterEnvelope;
    NFilter filter1;
    NFilter filter2;

private:
    // What a step event works out from the parameters and the step's accent.
    struct Contour {
        std::int32_t ampPeak;
        std::int32_t filterPeak;
        std::int32_t filterDecay;
    };

    const std::uint8_t* stepAt(int pattern, int s) const;
    int patternLength(int pattern) const;
    Contour contour(bool accented) const;
    std::uint32_t stepIncrement(const std::uint8_t* s, int transpose, int fine) const;
    int midiNote(const std::uint8_t* s, int transpose) const;

    void playStep(const std::uint8_t* s);
    void startNote(const std::uint8_t* s, const Contour& c);
    void halfStep();
    void advancePattern(int pattern);
    void release();
    void sendNoteOffs();
    // p: the parameter set the block plays with.
    static void mix(std::int32_t* out, const std::int32_t* osc2Block, const std::int32_t* p);
    void addFilters(std::int32_t* block, const std::int32_t* p, NFilterLanes& lanes);

    std::int32_t lastNote1 = 0; // MIDI note last started on osc1's channel, less 48
    std::int32_t lastNote2 = 0;
    std::uint8_t accent = 0;
    std::uint8_t patterns[BankBytes] = {};
    std::int32_t step = 0;
    std::int32_t index;
    std::int32_t nextPattern = 0;
    std::int32_t currentPattern[SetCount] = {0, 0}; // per mode: pattern, song; -1 none
    const std::uint8_t* previousStep = nullptr;
    bool dualBlock = false;                        // this block's voice goes through both filters
    std::int32_t secondFiltered[ntime::BlockFrames]; // the second filter's output, in dual mode
};
