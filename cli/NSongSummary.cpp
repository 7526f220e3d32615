#include "cli/NSongSummary.h"

#include "engine/NSequencer.h"
#include "foundation/ChunkFile.h"

namespace {

const char* const machineNames[NSequencer::MachineCount] = {"SYN1", "SYN2", "SYN3", "DRM ", "MIX "};

} // namespace

std::string NSongSummary::patternName(int pattern)
{
    if (pattern < 0 || pattern > 31)
        return pattern < 0 ? "-" : "?" + std::to_string(pattern);
    return std::string(1, static_cast<char>('a' + pattern / 8)) + static_cast<char>('1' + pattern % 8);
}

std::string NSongSummary::creatorLine(const String& path)
{
    ChunkFile file(path, true);
    if (file.failed() || !file.descend(chunkTag("VSF1")) || !file.descend(chunkTag("FILi")))
        return "unknown";
    String creator = file.readString();
    int major = file.readInt();
    int minor = file.readInt();
    return creator.toUtf8() + " " + std::to_string(major) + "." + std::to_string(minor);
}

std::string NSongSummary::arrangementLine(const NSequencer& sequencer, int track)
{
    const NSeqTrack& t = sequencer.tracks[track];
    int last = NSeqTrack::Bars - 1;
    while (last >= 0 && t.patternAt(last) < 0)
        --last;
    if (last < 0)
        return "(no bars)";
    std::string line;
    for (int bar = 0; bar <= last; ++bar)
        line += (bar == 0 ? "" : " ") + patternName(t.patternAt(bar));
    return line;
}

std::string NSongSummary::automationLine(const NSequencer& sequencer, int track)
{
    std::string line;
    for (int column = 0; column < NSeqTrack::Columns; ++column) {
        int count = sequencer.tracks[track].eventCount(column);
        if (count > 0)
            line += (line.empty() ? "" : ", ") + ("P" + std::to_string(column)) + " x" + std::to_string(count);
    }
    return line.empty() ? "none" : line;
}

std::string NSongSummary::describe(const NSequencer& s, const String& path)
{
    std::string text;
    text += "Song:       " + path.toUtf8() + "\n";
    text += "Written by: " + creatorLine(path) + "\n";
    text += "Tempo:      " + std::to_string(s.tempo) + " bpm, " + std::to_string(s.stepsPerBar) +
            " steps per bar (" + std::to_string(s.samplesPerStep) + " frames per step)\n";
    text += std::string("Mode:       ") + (s.mode == 1 ? "song" : "pattern") + "\n";
    text += "Loop:       bars " + std::to_string(s.loopStart) + " to " + std::to_string(s.loopEnd) +
            " (end exclusive), " + (s.loopOn ? "on" : "off") + "\n";
    for (int n = 0; n < NSequencer::MachineCount; ++n) {
        text += std::string(machineNames[n]) + "  bars:       " + arrangementLine(s, n) + "\n";
        text += "      automation: " + automationLine(s, n) + "\n";
    }
    return text;
}
