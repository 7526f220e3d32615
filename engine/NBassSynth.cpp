#include "engine/NBassSynth.h"

#include "audio/NFilterLanes.h"
#include "audio/NMidiOut.h"
#include "audio/NVectorClones.h"
#include "engine/NSequencer.h"
#include "engine/NSongLayout.h"
#include "engine/NTables.h"
#include "engine/NWrap32.h"
#include "foundation/ChunkFile.h"

#include <cstring>

namespace {

constexpr int NoteOn = 144;
constexpr int Osc2ChannelOffset = 4;
constexpr int PlainVelocity = 100;
constexpr int AccentVelocity = 127;
constexpr int MiddleOctave = 48; // note 0, octave 0 of a step is MIDI note 48
constexpr std::int32_t ReleaseStep = 220; // full scale to silence in about 0.11 s
constexpr std::int32_t AccentPeak = 1212416; // about +1.3 dB over full scale
constexpr std::int32_t CutoffBase = 3200;
constexpr std::int32_t AttackFramesPerUnit = 30; // the attack parameter's scale
constexpr std::int32_t ShortestAttack = 16;      // frames, at attack 0
constexpr long long OctaveSemitones = 12;

int clampInt(long long v, int lo, int hi)
{
    return static_cast<int>(v < lo ? lo : (v > hi ? hi : v));
}

// Pattern numbers the bank does not have play as an empty bar.
int validPattern(int p)
{
    return p >= 0 && p < NBassSynth::PatternCount ? p : -1;
}

int mode()
{
    return NSequencer::instance().mode;
}

} // namespace

NBassSynth::NBassSynth(int synthIndex) : NMachine(ParameterCount), index(synthIndex)
{
    osc1.reset();
    osc2.reset();
    ampEnvelope.reset();
    filterEnvelope.reset();
    filter1.clear();
    filter2.clear();
    active = true;
    // A song without data for this synthesizer would otherwise leave it with zero parameters and
    // an empty bank; the defaults make it play the usual default pattern instead.
    resetDefaults();
}

// ---- song data ----

const std::uint8_t* NBassSynth::stepAt(int pattern, int s) const
{
    return patterns + pattern * PatternBytes + s * StepBytes;
}

int NBassSynth::patternLength(int pattern) const
{
    int length = wrap32::load(patterns + pattern * PatternBytes + LengthOffset);
    // A pattern has 16 steps; a longer length would walk into the next pattern's bytes.
    return length > StepsPerPattern ? StepsPerPattern : length;
}

void NBassSynth::resetDefaults()
{
    NAutomatable::resetDefaults();
    static const struct {
        int index;
        int value;
    } defaults[] = {{Cutoff, 64},     {Resonance, 64}, {EnvelopeAmount, 90}, {FilterDecay, 190},
                    {AccentAmount, 100}, {Wave1, NOscillator::Saw}, {Transpose2, -12}, {Balance, 128}};
    for (int set = 0; set < SetCount; ++set)
        for (const auto& d : defaults)
            parameterSets[set][d.index] = d.value;
    for (int p = 0; p < PatternCount; ++p) {
        std::uint8_t* at = patterns + p * PatternBytes;
        for (int s = 0; s < StepsPerPattern; ++s) {
            std::uint8_t* st = at + s * StepBytes;
            std::memset(st, 0, StepBytes);
            st[Gate] = 1;
        }
        wrap32::store(at + LengthOffset, StepsPerPattern);
        at[LengthOffset + 4] = 0;
    }
    nextPattern = 0;
    currentPattern[0] = currentPattern[1] = 0;
}

void NBassSynth::save(ChunkFile& file)
{
    file.descend(songlayout::tag::SynthPattern);
    file.writeInt(currentPattern[0]);
    file.ascend();
    file.descend(songlayout::tag::SynthBank);
    file.writeBytes(patterns, BankBytes);
    file.ascend();
    NAutomatable::save(file);
}

void NBassSynth::load(ChunkFile& file)
{
    if (file.descend(songlayout::tag::SynthPattern)) {
        currentPattern[0] = validPattern(file.readInt());
        file.ascend();
    }
    if (file.descend(songlayout::tag::SynthBank)) {
        file.readBytes(patterns, BankBytes);
        file.ascend();
    }
    NAutomatable::load(file);
}

// ---- patterns ----

int NBassSynth::getCurrentPattern()
{
    return currentPattern[mode()];
}

void NBassSynth::setPattern(int pattern)
{
    pattern = validPattern(pattern);
    currentPattern[mode()] = pattern;
    nextPattern = pattern;
    step = 0;
    if (pattern == -1)
        resetPlayback();
}

void NBassSynth::setNextPattern(int pattern)
{
    nextPattern = validPattern(pattern);
}

void NBassSynth::applyNextPattern()
{
    setPattern(nextPattern);
}

void NBassSynth::resetPlayback()
{
    step = 0;
    if (mode() == 1) {
        currentPattern[1] = -1;
        nextPattern = -1;
    } else {
        currentPattern[0] = nextPattern;
    }
    release();
    sendNoteOffs();
    previousStep = nullptr;
}

int NBassSynth::getStep()
{
    return step;
}

// ---- events ----

void NBassSynth::onEvent(int kind)
{
    if (kind == 0) {
        step = 0;
    } else if (kind == NSequencer::StepEvent) {
        int p = currentPattern[mode()];
        const std::uint8_t* s = nullptr;
        if (p >= 0) {
            // Only a pattern switch while no pattern played can leave the count past the bank's steps.
            if (step < 0 || step >= StepsPerPattern)
                step = 0;
            s = stepAt(p, step);
            playStep(s);
        }
        previousStep = s;
        ++step;
        advancePattern(p);
    } else if (kind == NSequencer::HalfStepEvent) {
        halfStep();
    }
}

NBassSynth::Contour NBassSynth::contour(bool accented) const
{
    std::int32_t envelopeAmount = currentParameter(EnvelopeAmount);
    std::int32_t filterDecay = currentParameter(FilterDecay);
    std::int32_t accentBoost = accented ? wrap32::mul(currentParameter(AccentAmount), 4096) : 0;
    std::int32_t filterPeak = wrap32::add(accentBoost, wrap32::mul(wrap32::mul(envelopeAmount, envelopeAmount), 16));
    return {accented ? AccentPeak : NEnvelope::FullScale, filterPeak, wrap32::mul(filterDecay, filterDecay)};
}

void NBassSynth::playStep(const std::uint8_t* s)
{
    osc1.waveform = currentParameter(Wave1);
    osc2.waveform = currentParameter(Wave2);
    std::int32_t attack = wrap32::add(wrap32::mul(currentParameter(Attack), AttackFramesPerUnit), ShortestAttack);
    ampEnvelope.attackFrames = attack;
    filterEnvelope.attackFrames = attack;
    accent = s[Accent];
    Contour c = contour(accent != 0);

    if (previousStep != nullptr && previousStep[Slide] != 0) {
        // A slide carries the note on: only the pitch moves, whatever this step's gate says.
        osc1.glideTo(stepIncrement(s, Transpose1, Fine1));
        osc2.glideTo(stepIncrement(s, Transpose2, Fine2));
    } else if (s[Gate] != 0) {
        startNote(s, c);
    } else if (previousStep != nullptr) {
        release();
    }
}

void NBassSynth::startNote(const std::uint8_t* s, const Contour& c)
{
    // A sliding note holds until the next step glides from it.
    ampEnvelope.decayStep = s[Slide] != 0 ? 0 : ReleaseStep;
    if (previousStep == nullptr) {
        ampEnvelope.level = 0;
        filter1.clear();
        filter2.clear();
    }
    ampEnvelope.trigger(c.ampPeak, 0);
    filterEnvelope.trigger(c.filterPeak, c.filterDecay);
    osc1.setIncrement(stepIncrement(s, Transpose1, Fine1));
    osc2.setIncrement(stepIncrement(s, Transpose2, Fine2));
    if (previousStep != nullptr)
        sendNoteOffs();
    int velocity = s[Accent] != 0 ? AccentVelocity : PlainVelocity;
    int note1 = midiNote(s, Transpose1);
    int note2 = midiNote(s, Transpose2);
    NMidiOut::instance().send(NoteOn + index, note1, velocity);
    NMidiOut::instance().send(NoteOn + Osc2ChannelOffset + index, note2, velocity);
    lastNote1 = note1 - MiddleOctave;
    lastNote2 = note2 - MiddleOctave;
}

void NBassSynth::halfStep()
{
    if (previousStep == nullptr || currentPattern[mode()] < 0)
        return;
    if (previousStep[Retrigger] == 0 || previousStep[Gate] == 0)
        return;
    accent = previousStep[Accent];
    Contour c = contour(accent != 0);
    ampEnvelope.trigger(c.ampPeak, 0);
    filterEnvelope.trigger(c.filterPeak, c.filterDecay);
}

void NBassSynth::advancePattern(int p)
{
    if (mode() == 1) {
        if (p < 0)
            return;
        if (step >= patternLength(p))
            step = 0;
        currentPattern[1] = nextPattern;
    } else if (p < 0) {
        currentPattern[0] = nextPattern;
    } else if (step >= patternLength(p)) {
        step = 0;
        currentPattern[0] = nextPattern;
    }
}

void NBassSynth::release()
{
    ampEnvelope.decayStep = ReleaseStep;
    ampEnvelope.rate = -ReleaseStep;
}

void NBassSynth::sendNoteOffs()
{
    NMidiOut::instance().send(NoteOn + index, lastNote1 + MiddleOctave, 0);
    NMidiOut::instance().send(NoteOn + Osc2ChannelOffset + index, lastNote2 + MiddleOctave, 0);
}

// ---- pitch ----

std::uint32_t NBassSynth::stepIncrement(const std::uint8_t* s, int transpose, int fine) const
{
    long long n = static_cast<long long>(static_cast<std::int8_t>(s[Note])) +
                  OctaveSemitones * static_cast<std::int8_t>(s[Octave]) + currentParameter(Transpose) +
                  currentParameter(transpose) + MiddleOctave;
    int note = clampInt(n, 0, NTables::PitchSize - 1);
    std::int32_t f = currentParameter(fine);
    if (f == 0)
        return NTables::pitch(note);
    // Fine tune blends towards the next semitone in 63 parts.
    std::int32_t quarter = f >> 2;
    std::int32_t here = static_cast<std::int32_t>(NTables::pitch(note)) / 63;
    std::int32_t above = static_cast<std::int32_t>(NTables::pitch(note + 1)) / 63;
    std::int32_t blend = wrap32::add(wrap32::mul(here, wrap32::sub(63, quarter)), wrap32::mul(quarter, above));
    return static_cast<std::uint32_t>(blend);
}

int NBassSynth::midiNote(const std::uint8_t* s, int transpose) const
{
    // The octave byte is not part of the MIDI note; a data byte must stay within 0 .. 127.
    long long n = static_cast<long long>(static_cast<std::int8_t>(s[Note])) + currentParameter(Transpose) +
                  currentParameter(transpose) + MiddleOctave;
    return clampInt(n, 0, 127);
}

// ---- sound ----

void NBassSynth::render(std::int32_t* block)
{
    renderInHalves(block);
}

void NBassSynth::renderBeforeFilters(std::int32_t* block, NFilterLanes& lanes)
{
    if (!active) {
        std::memset(block, 0, sizeof(std::int32_t) * ntime::BlockFrames);
        return;
    }
    // One read of the parameter set for the block: nothing below can change the mode.
    const std::int32_t* p = parameterSets[mode()];
    std::int32_t scratch[ntime::BlockFrames];
    osc2.render(scratch);
    osc1.render(block);
    mix(block, scratch, p);
    addFilters(block, p, lanes);
}

void NBassSynth::renderAfterFilters(std::int32_t* block)
{
    if (active) {
        if (dualBlock) {
            for (int i = 0; i < ntime::BlockFrames; ++i)
                block[i] = wrap32::add(block[i], secondFiltered[i]);
        }
        ampEnvelope.apply(block);
    }
    filterEnvelope.advance();
    ampEnvelope.advance();
}

NVECTOR_CLONES
void NBassSynth::mix(std::int32_t* out, const std::int32_t* x, const std::int32_t* p)
{
    if (p[RingModulation] != 0) {
        for (int i = 0; i < ntime::BlockFrames; ++i)
            out[i] = wrap32::mul(out[i] >> 2, x[i] >> 2) >> 12;
        return;
    }
    const std::int32_t share = p[Balance];
    const std::int32_t rest = wrap32::sub(255, share);
    for (int i = 0; i < ntime::BlockFrames; ++i)
        out[i] = wrap32::add(wrap32::mul(share, out[i]) >> 8, wrap32::mul(x[i], rest) >> 8);
}

void NBassSynth::addFilters(std::int32_t* block, const std::int32_t* p, NFilterLanes& lanes)
{
    std::int32_t sweep = wrap32::add(filterEnvelope.curve(), wrap32::mul(p[Cutoff], 128));
    std::int32_t cutoff = wrap32::add(sweep, CutoffBase);
    bool highpass = p[Highpass] != 0;
    filter1.cutoff = cutoff;
    filter1.resonance = wrap32::mul(p[Resonance], 256);
    dualBlock = p[DualFilter] != 0;
    if (!dualBlock) {
        lanes.add(filter1, block, block, highpass);
        return;
    }
    // Dual mode: the resonant lowpass plus a plain second filter over the unfiltered voice, which
    // reads the block before the first filters it in place.
    filter2.cutoff = cutoff;
    filter2.resonance = 0;
    lanes.add(filter2, block, secondFiltered, highpass);
    lanes.add(filter1, block, block, false);
}

void NBassSynth::resetRunState()
{
    // The voice a new synthesizer has: resetVoice() alone keeps the phases, the pulse sweep, the
    // second filter and the slide from the previous step, all of which colour the next notes.
    osc1.restart();
    osc2.restart();
    ampEnvelope.reset();
    filterEnvelope.reset();
    filter1.clear();
    filter2.clear();
    step = 0;
    accent = 0;
    previousStep = nullptr;
    lastNote1 = 0;
    lastNote2 = 0;
}

void NBassSynth::resetVoice()
{
    ampEnvelope.reset();
    filterEnvelope.reset();
    filter1.band = 0;
    filter1.level = 0;
}
