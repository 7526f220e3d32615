#include "engine/NSequencer.h"

#include "engine/NAutomatable.h"
#include "engine/NTime.h"
#include "foundation/ChunkFile.h"
#include "foundation/KESOServices.h"

#include <algorithm>

namespace {

constexpr int ProgramMajor = 1;
constexpr int ProgramMinor = 1;
constexpr int MaxStepsPerBar = 4096; // far beyond any real bar; keeps tick arithmetic in range
// Swing lengthens every other step and shortens the ones between by swing / SwingScale of a step.
constexpr long long SwingScale = 512;

int addTicks(int position, int ticks)
{
    // A hostile file may start the song anywhere; wrap instead of overflowing.
    return static_cast<int>(static_cast<std::uint32_t>(position) + static_cast<std::uint32_t>(ticks));
}

} // namespace

NSequencer& NSequencer::instance()
{
    static NSequencer sequencer;
    return sequencer;
}

NSequencer::NSequencer() = default;

NSequencer::~NSequencer() = default;

void NSequencer::resetDefaults()
{
    static_cast<NSequencerState&>(*this) = NSequencerState();
}

void NSequencer::addMachine(NAutomatable* m)
{
    if (machineCount >= MachineCount)
        return;
    tracks[machineCount].machine = m;
    ++machineCount;
}

int NSequencer::barStart(int ticks) const
{
    return ticks / barTicks() * barTicks();
}

int NSequencer::nearestBar(int ticks) const
{
    // In 64 bits: a position near the top of the range must not overflow on its way to a bar.
    return static_cast<int>((static_cast<long long>(ticks) + barTicks() / 2) / barTicks());
}

void NSequencer::setTempo(int bpm)
{
    if (bpm <= 0)
        bpm = DefaultTempo;
    tempo = bpm;
    samplesPerStep = ntime::stepFrames(bpm);
    blocksPerStep = samplesPerStep / ntime::BlockFrames;
}

void NSequencer::setSwing(int amount)
{
    swing = std::clamp(amount, 0, MaxSwing);
}

void NSequencer::setPosition(int ticks)
{
    position = ticks;
    for (NSeqTrack& track : tracks)
        track.seek(ticks);
}

void NSequencer::locate(int ticks)
{
    swingPhase = 0;
    setPosition(barStart(ticks));
    for (NSeqTrack& track : tracks) {
        track.applyEvents(position); // setPosition has chased them; anything still due comes now
        if (track.machine != nullptr)
            track.machine->setPattern(track.machine->getCurrentPattern());
    }
    blockCounter = 0;
}

void NSequencer::setMode(int m)
{
    mode = m != 0 ? 1 : 0;
    swingPhase = 0;
    position = barStart(position);
    for (int n = 0; n < machineCount; ++n) {
        NAutomatable* machine = tracks[n].machine;
        machine->notifyChanged();
        if (mode == 0)
            machine->setNextPattern(machine->getCurrentPattern());
    }
    if (mode == 1) {
        int remembered = position;
        locate(0);
        locate(remembered);
    }
}

void NSequencer::start()
{
    if (playing)
        return;
    blockCounter = blocksPerStep; // the very first tick begins a step
    swingPhase = 0;
    stepsPlayed = 0;
    playing = true;
    position = barStart(position);
    for (int n = 0; n < machineCount; ++n) {
        if (mode == 1) {
            tracks[n].machine->setPattern(tracks[n].patternAt(position / barTicks()));
            tracks[n].seek(position);
        } else {
            tracks[n].machine->applyNextPattern();
        }
    }
}

void NSequencer::stop()
{
    playing = false;
    blockCounter = 0;
    for (int n = 0; n < machineCount; ++n)
        tracks[n].machine->resetPlayback();
}

void NSequencer::tick()
{
    if (!playing)
        return;
    if (blockCounter < currentStepBlocks()) {
        if (blockCounter == blocksPerStep / 2) {
            for (int n = 0; n < machineCount; ++n)
                tracks[n].machine->onEvent(HalfStepEvent);
        }
        ++blockCounter;
        return;
    }
    startStep();
}

long long NSequencer::currentStepBlocks() const
{
    long long blocks = blocksPerStep;
    long long s = swingPhase == 1 ? -static_cast<long long>(swing) : swing;
    return blocks - ((blocks - 1) * s) / SwingScale;
}

void NSequencer::startStep()
{
    bool atBar = position % barTicks() == 0;
    for (int n = 0; n < machineCount; ++n) {
        NSeqTrack& track = tracks[n];
        NAutomatable* machine = track.machine;
        track.applyEvents(position);
        if (mode == 1 && atBar) {
            int p = track.patternAt(position / barTicks());
            // The drum machine and the mixer are told at every bar, the synthesizers only on change.
            if (p != machine->getCurrentPattern() || n >= songlayout::DrumMachine)
                machine->setPattern(p);
        }
        machine->onEvent(StepEvent);
    }
    if (mode == 1) {
        int old = position;
        position = addTicks(position, TicksPerStep);
        long long loopEndTicks = static_cast<long long>(loopEnd) * barTicks();
        if (loopOn && old < loopEndTicks && loopEndTicks <= static_cast<long long>(old) + TicksPerStep)
            setPosition(static_cast<int>(static_cast<long long>(loopStart) * barTicks()));
    }
    swingPhase ^= 1;
    blockCounter = 1; // the current block is the first of the new step
    ++stepsPlayed;
}

void NSequencer::setLoopStartAt(int ticks)
{
    loopStart = nearestBar(ticks);
    if (loopEnd - 1 < loopStart)
        loopEnd = loopStart + 1;
}

void NSequencer::setLoopEndAt(int ticks)
{
    loopEnd = nearestBar(ticks);
    if (loopEnd < loopStart + 1)
        loopStart = loopEnd - 1;
    if (loopStart < 0) {
        loopStart = 0;
        loopEnd = 1;
    }
}

void NSequencer::resetRunState()
{
    // Not stop(): in pattern mode that would take up a queued pattern, which is the user's choice.
    // The export stops the machines itself once it has switched to song mode.
    playing = false;
    blockCounter = 0;
    swing = 0;
    swingPhase = 0;
    stepsPlayed = 0;
    // The song's mixer tempo takes over at the first render; until then (the export sizes its
    // writes by it) the clock runs at the tempo the load left.
    setTempo(loadedTempo);
}

void NSequencer::setUntitled()
{
    fileName = u"\\(untitled)";
    loaded = false;
}

bool NSequencer::load(const String& path)
{
    return loadSong(path) != LoadResult::CannotOpen;
}

NSequencer::LoadResult NSequencer::loadSong(const String& path)
{
    fileName = path;
    stop();
    ChunkFile file(path, true);
    if (file.failed()) {
        loadError = file.errorText();
        return LoadResult::CannotOpen;
    }
    loadError = String();
    loaded = true;
    LoadResult result = LoadResult::Loaded;
    if (file.descend(songlayout::tag::Song)) {
        readSongBody(file);
        file.ascend();
    } else {
        KESOServices::instance().showMessage(u"Sorry, this is not a readable VandrelStudio file.",
                                             u"Unrecognized file");
        result = LoadResult::NotASong;
    }
    if (stepsPerBar <= 0 || stepsPerBar > MaxStepsPerBar)
        stepsPerBar = ntime::DefaultStepsPerBar; // it divides every position
    setTempo(tempo);
    loadedTempo = tempo;
    keepLoopInArrangement();
    return result;
}

void NSequencer::keepLoopInArrangement()
{
    // A loop outside the arrangement plays nothing but can run for years; an end at or before the
    // start would export nothing and call it a success.
    loopStart = std::clamp(loopStart, 0, NSeqTrack::Bars - 1);
    loopEnd = std::clamp(loopEnd, 1, NSeqTrack::Bars);
    if (loopEnd <= loopStart)
        loopEnd = loopStart + 1;
}

void NSequencer::readSongBody(ChunkFile& file)
{
    readVersion(file);
    readSettings(file);
    readMachines(file);
}

void NSequencer::readVersion(ChunkFile& file)
{
    if (!file.descend(songlayout::tag::Creator))
        return;
    String creator = file.readString();
    int major = file.readInt();
    int minor = file.readInt();
    if (major > ProgramMajor || (major == ProgramMajor && minor > ProgramMinor)) {
        String text = String(u"Warning: File is from ") + creator + String(u" ") + intToString(major) +
                      String(u".") + intToString(minor) + String(u".\nThis is VandrelStudio ") +
                      intToString(ProgramMajor) + String(u".") + intToString(ProgramMinor) +
                      String(u".\nIf there are problems, you might want to\nupgrade your VandrelStudio.");
        KESOServices::instance().showMessage(text, u"Version Warning");
    }
    file.ascend();
}

void NSequencer::readSettings(ChunkFile& file)
{
    if (!file.descend(songlayout::tag::Sequencer))
        return;
    if (file.descend(songlayout::tag::Settings)) {
        stepsPerBar = file.readInt();
        mode = file.readInt() != 0 ? 1 : 0; // the mode picks a parameter set: only 0 and 1 exist
        position = file.readInt();
        tempo = file.readInt();
        file.ascend();
    }
    if (file.descend(songlayout::tag::Loop)) {
        loopStart = file.readInt();
        loopEnd = file.readInt();
        loopOn = file.readInt() != 0;
        file.ascend();
    }
    file.ascend();
}

void NSequencer::readMachines(ChunkFile& file)
{
    if (!file.descend(songlayout::tag::Machines))
        return;
    for (int n = 0; n < MachineCount; ++n) {
        NAutomatable* machine = tracks[n].machine;
        if (machine == nullptr || !file.descend(songlayout::tag::Machine[n]))
            continue;
        if (file.descend(songlayout::tag::MachineData)) {
            machine->load(file);
            file.ascend();
        } else {
            machine->resetDefaults();
        }
        if (file.descend(songlayout::tag::Track)) {
            tracks[n].load(file);
            file.ascend();
        } else {
            tracks[n].clear();
        }
        if (n == songlayout::Mixer)
            machine->load(file); // mixer parameters may also sit directly under MIX
        file.ascend();
    }
    file.ascend();
}
