#include "audio/NDrumMachine.h"

#include "audio/NFilterLanes.h"
#include "audio/NMidiOut.h"
#include "engine/NSequencer.h"
#include "engine/NSongLayout.h"
#include "engine/NWrap32.h"
#include "foundation/ChunkFile.h"

#include <cstring>

namespace {

constexpr int OpenHat = 2;
constexpr int ClosedHat = 3;
constexpr int PercussionNoteOn = 0x99; // note-on, channel 10
constexpr int SoftVelocity = 100;
constexpr int AccentVelocity = 255;

const int MidiNotes[NDrumMachine::Slots] = {49, 51, 46, 42, 45, 43, 41, 39, 37, 40, 38, 36};
const char16_t* const Labels[NDrumMachine::Slots] = {u"CR", u"CY", u"OH", u"CH", u"HT", u"MT",
                                                      u"LT", u"CL", u"RS", u"SN", u"SN", u"BD"};

int sequencerMode()
{
    return NSequencer::instance().mode != 0 ? 1 : 0;
}

bool validPattern(int pattern)
{
    return pattern >= 0 && pattern < NDrumMachine::Patterns;
}

// Where a pad's step byte sits in the bank; -1 for an address the bank does not have.
int byteOffset(int pattern, int step, int slot)
{
    if (!validPattern(pattern) || step < 0 || step >= NDrumMachine::MaxSteps || slot < 0 ||
        slot >= NDrumMachine::Slots)
        return -1;
    return pattern * NDrumMachine::PatternBytes + step * NDrumMachine::Slots + slot;
}

} // namespace

NDrumMachine::NDrumMachine() : NMachine(ParameterCount)
{
    filter_.clear();
    active = true;
    resetDefaults();
}

// The samples go with their array, last slot first.
NDrumMachine::~NDrumMachine() = default;

int NDrumMachine::midiNote(int slot)
{
    return slot >= 0 && slot < Slots ? MidiNotes[slot] : 0;
}

const char16_t* NDrumMachine::slotLabel(int slot)
{
    return slot >= 0 && slot < Slots ? Labels[slot] : u"";
}

void NDrumMachine::onEvent(int event)
{
    if (event == 0) {
        step_ = 0;
        return;
    }
    if (event != NSequencer::StepEvent && event != NSequencer::HalfStepEvent)
        return;
    int mode = sequencerMode();
    int pattern = currentPattern_[mode];
    bool halfStep = event == NSequencer::HalfStepEvent;
    playStep(pattern, halfStep);
    if (halfStep)
        ++step_;
    bool wrapped = step_ >= playedLength(pattern);
    if (wrapped)
        step_ = 0;
    // Pattern mode changes pattern only at the end of one; song mode takes the next one at once.
    if (wrapped || mode == 1)
        currentPattern_[mode] = nextPattern_;
}

void NDrumMachine::playStep(int pattern, bool halfStep)
{
    int at = byteOffset(pattern, step_, 0);
    if (at < 0)
        return;
    const std::uint8_t* bytes = patterns_ + at;
    for (int slot = 0; slot < Slots; ++slot) {
        int b = bytes[slot];
        if (b == 0 || (halfStep && (b & HalfStepRepeat) == 0))
            continue;
        int velocity = (b & VelocityBits) == SoftHit ? SoftVelocity : AccentVelocity;
        samples_[slot].trigger(NSample::UnitStep, velocity);
        NMidiOut::instance().send(PercussionNoteOn, MidiNotes[slot], velocity / 2); // MIDI's run to 127
        if (slot == ClosedHat)
            samples_[OpenHat].stop();
    }
}

// Lengths come from song files: more than 16 steps would play bytes beyond the pattern. A pattern
// number that is none of ours plays like no pattern at all.
int NDrumMachine::playedLength(int pattern) const
{
    if (!validPattern(pattern))
        return 0;
    int length = patternLength(pattern);
    return length > MaxSteps ? MaxSteps : length;
}

void NDrumMachine::setPattern(int pattern)
{
    currentPattern_[sequencerMode()] = pattern;
    nextPattern_ = pattern;
    step_ = 0;
    if (pattern == -1)
        resetPlayback();
}

void NDrumMachine::setNextPattern(int pattern)
{
    nextPattern_ = pattern;
}

void NDrumMachine::resetPlayback()
{
    if (sequencerMode() == 1) {
        currentPattern_[1] = -1;
        nextPattern_ = -1;
    } else {
        currentPattern_[0] = nextPattern_;
    }
    step_ = 0;
}

void NDrumMachine::resetRunState()
{
    // Every pad silent (the open hat's choke is only its voice stopping) and the kit's filter empty.
    for (NSample& sample : samples_)
        sample.resetVoice();
    filter_.clear();
    step_ = 0;
}

void NDrumMachine::applyNextPattern()
{
    setPattern(nextPattern_);
}

void NDrumMachine::resetDefaults()
{
    for (int p = 0; p < Patterns; ++p) {
        std::memset(patterns_ + p * PatternBytes, 0, LengthOffset);
        setPatternLength(p, MaxSteps);
    }
    for (int set = 0; set < SetCount; ++set) {
        for (int slot = 0; slot < Slots; ++slot)
            parameterSets[set][slot] = DefaultVolume;
    }
    currentPattern_[0] = 0;
    currentPattern_[1] = 0;
    nextPattern_ = 0;
}

void NDrumMachine::render(std::int32_t* out)
{
    renderInHalves(out);
}

void NDrumMachine::renderBeforeFilters(std::int32_t* out, NFilterLanes& lanes)
{
    for (int k = 0; k < ntime::BlockFrames; ++k)
        out[k] = 0;
    if (!active)
        return;
    const std::int32_t* p = parameterSets[sequencerMode()];
    for (int slot = 0; slot < Slots; ++slot)
        samples_[slot].render(out, p[slot]);
    if (p[FilterOn] != 0) {
        filter_.cutoff = wrap32::mul(p[FilterCutoff], 256);
        filter_.resonance = wrap32::mul(p[FilterResonance], 256);
        lanes.add(filter_, out, out, false);
    }
}

int NDrumMachine::stepByte(int pattern, int step, int slot) const
{
    int at = byteOffset(pattern, step, slot);
    return at < 0 ? 0 : patterns_[at];
}

void NDrumMachine::setStepByte(int pattern, int step, int slot, int value)
{
    int at = byteOffset(pattern, step, slot);
    if (at >= 0)
        patterns_[at] = static_cast<std::uint8_t>(value);
}

int NDrumMachine::patternLength(int pattern) const
{
    return validPattern(pattern) ? wrap32::load(patterns_ + pattern * PatternBytes + LengthOffset) : 0;
}

void NDrumMachine::setPatternLength(int pattern, int steps)
{
    if (validPattern(pattern))
        wrap32::store(patterns_ + pattern * PatternBytes + LengthOffset, steps);
}

void NDrumMachine::save(ChunkFile& file)
{
    file.descend(songlayout::tag::DrumBank);
    file.writeBytes(patterns_, sizeof(patterns_));
    file.ascend();
    saveKit(file);
    NAutomatable::save(file);
}

void NDrumMachine::load(ChunkFile& file)
{
    if (file.descend(songlayout::tag::DrumBank)) {
        file.readBytes(patterns_, sizeof(patterns_));
        file.ascend();
    }
    currentPattern_[0] = 0;
    currentPattern_[1] = 0;
    loadKit(file);
    NAutomatable::load(file);
}

void NDrumMachine::saveKit(ChunkFile& file)
{
    file.descend(songlayout::tag::Kit);
    file.descend(songlayout::tag::KitSlots);
    file.writeInt(Slots);
    file.ascend();
    for (int slot = 0; slot < Slots; ++slot) {
        if (!samples_[slot].hasSound())
            continue;
        file.descend(songlayout::tag::kitSlot(slot));
        file.writeString(samples_[slot].getName());
        file.ascend();
    }
    file.ascend();
}

// A slot the song does not name keeps its sound; a name that fails to load keeps the slot as the
// sample leaves it (its previous sound for a missing file, silence for a refused format).
void NDrumMachine::loadKit(ChunkFile& file)
{
    if (!file.descend(songlayout::tag::Kit)) {
        loadDefaultKit();
        return;
    }
    for (int slot = 0; slot < Slots; ++slot) {
        if (!file.descend(songlayout::tag::kitSlot(slot)))
            continue;
        samples_[slot].load(file.readString());
        file.ascend();
    }
    file.ascend();
}

void NDrumMachine::loadDefaultKit()
{
    for (int slot = 0; slot < Slots; ++slot)
        samples_[slot].load(NSample::defaultKitName(slot));
}
