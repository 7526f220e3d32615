#pragma once

#include "foundation/KESOString.h"

#include <string>

class NJsonWriter;
class NVandrelCore;
class NSequencer;

// The song summary as one JSON object, for scripts that sort or check songs: the same facts as the
// text summary, under fixed keys.
class NSongJson {
public:
    static std::string describe(const NSequencer& sequencer, const NVandrelCore& core, const String& path);

private:
    static void writeCreator(NJsonWriter& json, const String& path);
    static void writeTiming(NJsonWriter& json, const NSequencer& sequencer, const NVandrelCore& core);
    static void writeMachine(NJsonWriter& json, const NSequencer& sequencer, const NVandrelCore& core, int machine);
    static void writeArrangement(NJsonWriter& json, const NSequencer& sequencer, int track);
    static void writePatterns(NJsonWriter& json, const NSequencer& sequencer, const NVandrelCore& core, int track);
    static void writeAutomation(NJsonWriter& json, const NSequencer& sequencer, int track);
    static void writeKit(NJsonWriter& json, const NVandrelCore& core);
};
