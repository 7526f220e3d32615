#pragma once

#include "foundation/KESOString.h"

#include <string>

class NVandrelCore;
class NSequencer;

// A text a musician can read about the loaded song: where it came from, its timing and loop, and
// for each machine its arrangement, the patterns it uses, its automated parameters, and the drum
// kit's samples.
class NSongSummary {
public:
    static std::string describe(const NSequencer& sequencer, const NVandrelCore& core, const String& path);

    // A line for each drum pad whose sample the song names but that did not load, saying why;
    // empty when every pad loaded.
    static std::string kitFailures(const NVandrelCore& core);

    // "a1" ... "d8" as the sequencer view names patterns, "-" for an empty bar.
    static std::string patternName(int pattern);

private:
    static std::string tempoLine(const NSequencer& sequencer, const NVandrelCore& core);
    static std::string creatorLine(const String& path);
    static std::string arrangementLine(const NSequencer& sequencer, int track);
    static std::string patternsLine(const NSequencer& sequencer, const NVandrelCore& core, int track);
    static std::string automationLine(const NSequencer& sequencer, int track);
    static std::string kitLines(const NVandrelCore& core);
    static std::string padLine(const NVandrelCore& core, int slot);
};
