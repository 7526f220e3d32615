#include "cli/NSongJson.h"

#include "audio/NDrumMachine.h"
#include "cli/NJsonWriter.h"
#include "cli/NSongSummary.h"
#include "engine/NSequencer.h"
#include "engine/NVandrelCore.h"

void NSongJson::writeCreator(NJsonWriter& json, const String& path)
{
    NSongSummary::Creator creator = NSongSummary::creator(path);
    json.key("creator");
    creator.known ? json.value(creator.name) : json.null();
    json.key("version");
    creator.known ? json.value(std::to_string(creator.major) + "." + std::to_string(creator.minor)) : json.null();
}

void NSongJson::writeTiming(NJsonWriter& json, const NSequencer& s, const NVandrelCore& core)
{
    const int tempo = NSongSummary::playingTempo(core);
    json.key("tempo");
    json.value(tempo);
    json.key("storedTempo");
    json.value(s.tempo);
    json.key("stepsPerBar");
    json.value(s.stepsPerBar);
    json.key("stepFrames");
    json.value(ntime::stepFrames(tempo));
    json.key("mode");
    json.value(s.mode == 1 ? "song" : "pattern");
    json.key("loop");
    json.beginObject();
    json.key("start");
    json.value(s.loopStart);
    json.key("end"); // exclusive, as in the text summary
    json.value(s.loopEnd);
    json.key("on");
    json.value(s.loopOn);
    json.endObject();
}

void NSongJson::writeArrangement(NJsonWriter& json, const NSequencer& sequencer, int track)
{
    const NSeqTrack& t = sequencer.tracks[track];
    const int bars = NSongSummary::arrangedBars(sequencer, track);
    json.key("arrangement");
    json.beginArray();
    for (int bar = 0; bar < bars; ++bar)
        t.patternAt(bar) < 0 ? json.null() : json.value(NSongSummary::patternName(t.patternAt(bar)));
    json.endArray();
}

void NSongJson::writePatterns(NJsonWriter& json, const NSequencer& sequencer, const NVandrelCore& core, int track)
{
    json.key("patterns");
    json.beginArray();
    for (int pattern : NSongSummary::usedPatterns(sequencer, track)) {
        json.beginObject();
        json.key("name");
        json.value(NSongSummary::patternName(pattern));
        json.key("steps");
        const int steps = NSongSummary::patternSteps(core, track, pattern);
        steps >= 0 ? json.value(steps) : json.null();
        json.endObject();
    }
    json.endArray();
}

void NSongJson::writeAutomation(NJsonWriter& json, const NSequencer& sequencer, int track)
{
    json.key("automation");
    json.beginArray();
    for (int column = 0; column < NSeqTrack::Columns; ++column) {
        const int count = sequencer.tracks[track].eventCount(column);
        if (count == 0)
            continue;
        json.beginObject();
        json.key("parameter");
        json.value(column);
        json.key("events");
        json.value(count);
        json.endObject();
    }
    json.endArray();
}

void NSongJson::writeMachine(NJsonWriter& json, const NSequencer& sequencer, const NVandrelCore& core, int machine)
{
    json.beginObject();
    json.key("name");
    json.value(NSongSummary::machineName(machine));
    writeArrangement(json, sequencer, machine);
    if (machine < NVandrelCore::SynthCount)
        writePatterns(json, sequencer, core, machine);
    writeAutomation(json, sequencer, machine);
    json.endObject();
}

void NSongJson::writeKit(NJsonWriter& json, const NVandrelCore& core)
{
    json.key("kit");
    json.beginArray();
    for (int slot = 0; slot < NDrumMachine::Slots; ++slot) {
        std::string reason;
        const std::string status = NSongSummary::padStatus(core, slot, reason);
        json.beginObject();
        json.key("pad");
        json.value(slot);
        json.key("label");
        json.value(String(NDrumMachine::slotLabel(slot)).toUtf8());
        json.key("sample");
        json.value(core.drums->sample(slot).requestedName().toUtf8());
        json.key("status");
        json.value(status);
        json.key("reason");
        status == "not loaded" ? json.value(reason) : json.null();
        json.endObject();
    }
    json.endArray();
}

std::string NSongJson::describe(const NSequencer& sequencer, const NVandrelCore& core, const String& path)
{
    NJsonWriter json;
    json.beginObject();
    json.key("path");
    json.value(path.toUtf8());
    writeCreator(json, path);
    writeTiming(json, sequencer, core);
    json.key("machines");
    json.beginArray();
    for (int n = 0; n < NSequencer::MachineCount; ++n)
        writeMachine(json, sequencer, core, n);
    json.endArray();
    writeKit(json, core);
    json.endObject();
    return json.text() + "\n";
}
