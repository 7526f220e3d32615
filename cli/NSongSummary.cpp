#include "cli/NSongSummary.h"

#include "audio/NDrumMachine.h"
#include "engine/NBassSynth.h"
#include "engine/NSequencer.h"
#include "engine/NVandrelCore.h"
#include "engine/NWrap32.h"
#include "foundation/ChunkFile.h"

#include <cstdio>

std::string NSongSummary::patternName(int pattern)
{
    if (pattern < 0 || pattern > 31)
        return pattern < 0 ? std::string("-") : std::string("?").append(std::to_string(pattern));
    return std::string(1, static_cast<char>('a' + pattern / 8)) + static_cast<char>('1' + pattern % 8);
}

const char* NSongSummary::machineName(int machine)
{
    static const char* const names[NSequencer::MachineCount] = {"SYN1", "SYN2", "SYN3", "DRM", "MIX"};
    return names[machine];
}

NSongSummary::Creator NSongSummary::creator(const String& path)
{
    Creator creator;
    ChunkFile file(path, true);
    if (file.failed() || !file.descend(chunkTag("VSF1")) || !file.descend(chunkTag("FILi")))
        return creator;
    creator.known = true;
    creator.name = file.readString().toUtf8();
    creator.major = file.readInt();
    creator.minor = file.readInt();
    return creator;
}

std::string NSongSummary::creatorLine(const String& path)
{
    Creator c = creator(path);
    if (!c.known)
        return "unknown";
    return c.name + " " + std::to_string(c.major) + "." + std::to_string(c.minor);
}

int NSongSummary::arrangedBars(const NSequencer& sequencer, int track)
{
    int bars = NSeqTrack::Bars;
    while (bars > 0 && sequencer.tracks[track].patternAt(bars - 1) < 0)
        --bars;
    return bars;
}

std::string NSongSummary::arrangementLine(const NSequencer& sequencer, int track)
{
    const NSeqTrack& t = sequencer.tracks[track];
    const int bars = arrangedBars(sequencer, track);
    if (bars == 0)
        return "(no bars)";
    std::string line = patternName(t.patternAt(0));
    for (int bar = 1; bar < bars; ++bar)
        line.append(" ").append(patternName(t.patternAt(bar)));
    return line;
}

std::set<int> NSongSummary::usedPatterns(const NSequencer& sequencer, int track)
{
    std::set<int> used;
    for (int bar = 0; bar < NSeqTrack::Bars; ++bar) {
        if (sequencer.tracks[track].patternAt(bar) >= 0)
            used.insert(sequencer.tracks[track].patternAt(bar));
    }
    return used;
}

int NSongSummary::patternSteps(const NVandrelCore& core, int track, int pattern)
{
    if (pattern < 0 || pattern >= NBassSynth::PatternCount)
        return -1;
    return wrap32::load(core.synths[track]->patternBytes() + pattern * NBassSynth::PatternBytes +
                        NBassSynth::LengthOffset);
}

std::string NSongSummary::patternsLine(const NSequencer& sequencer, const NVandrelCore& core, int track)
{
    std::set<int> used = usedPatterns(sequencer, track);
    if (used.empty())
        return "none";
    std::string line;
    for (int pattern : used) {
        line += (line.empty() ? "" : ", ") + patternName(pattern);
        int steps = patternSteps(core, track, pattern);
        if (steps >= 0)
            line += " (" + std::to_string(steps) + " steps)";
    }
    return line;
}

std::string NSongSummary::padStatus(const NVandrelCore& core, int slot, std::string& reason)
{
    const NSample& sample = core.drums->sample(slot);
    reason.clear();
    switch (sample.loadStatus()) {
    case NSample::LoadStatus::Loaded: return "loaded";
    case NSample::LoadStatus::NotLoaded: return "no sample";
    default: reason = sample.loadError().toUtf8(); return "not loaded";
    }
}

std::string NSongSummary::padLine(const NVandrelCore& core, int slot)
{
    const NSample& sample = core.drums->sample(slot);
    std::string label = String(NDrumMachine::slotLabel(slot)).toUtf8();
    std::string reason;
    std::string state = padStatus(core, slot, reason);
    if (state == "not loaded")
        state += ": " + reason;
    char slotText[8];
    std::snprintf(slotText, sizeof slotText, "%2d", slot);
    return std::string("pad ") + slotText + " " + label + "  " + sample.requestedName().toUtf8() + " (" + state + ")";
}

std::string NSongSummary::kitLines(const NVandrelCore& core)
{
    std::string lines;
    for (int slot = 0; slot < NDrumMachine::Slots; ++slot)
        lines += "      " + padLine(core, slot) + "\n";
    return lines;
}

std::string NSongSummary::kitFailures(const NVandrelCore& core)
{
    std::string lines;
    for (int slot = 0; slot < NDrumMachine::Slots; ++slot) {
        NSample::LoadStatus status = core.drums->sample(slot).loadStatus();
        if (status != NSample::LoadStatus::Loaded && status != NSample::LoadStatus::NotLoaded)
            lines += padLine(core, slot) + "\n";
    }
    return lines;
}

std::string NSongSummary::automationLine(const NSequencer& sequencer, int track)
{
    std::string line;
    for (int column = 0; column < NSeqTrack::Columns; ++column) {
        int count = sequencer.tracks[track].eventCount(column);
        if (count > 0)
            line.append(line.empty() ? "P" : ", P").append(std::to_string(column)).append(" x").append(std::to_string(count));
    }
    return line.empty() ? "none" : line;
}

int NSongSummary::playingTempo(const NVandrelCore& core)
{
    int playing = core.mixer.parameter(NAutomatable::SongSet, NMixer::Tempo);
    return playing > 0 ? playing : NSequencer::DefaultTempo;
}

std::string NSongSummary::tempoLine(const NSequencer& s, const NVandrelCore& core)
{
    int playing = playingTempo(core);
    std::string line = "Tempo:      " + std::to_string(playing) + " bpm";
    if (playing != s.tempo)
        line += " (stored as " + std::to_string(s.tempo) + " bpm)";
    return line + ", " + std::to_string(s.stepsPerBar) + " steps per bar (" +
           std::to_string(ntime::stepFrames(playing)) + " frames per step)\n";
}

std::string NSongSummary::describe(const NSequencer& s, const NVandrelCore& core, const String& path)
{
    std::string text;
    text += "Song:       " + path.toUtf8() + "\n";
    text += "Written by: " + creatorLine(path) + "\n";
    text += tempoLine(s, core);
    text += std::string("Mode:       ") + (s.mode == 1 ? "song" : "pattern") + "\n";
    text += "Loop:       bars " + std::to_string(s.loopStart) + " to " + std::to_string(s.loopEnd) +
            " (end exclusive), " + (s.loopOn ? "on" : "off") + "\n";
    for (int n = 0; n < NSequencer::MachineCount; ++n) {
        std::string name = machineName(n);
        text += name + std::string(6 - name.size(), ' ') + "bars:       " + arrangementLine(s, n) + "\n";
        if (n < NVandrelCore::SynthCount)
            text += "      patterns:   " + patternsLine(s, core, n) + "\n";
        text += "      automation: " + automationLine(s, n) + "\n";
        if (n == 3)
            text += kitLines(core);
    }
    return text;
}
