#pragma once

#include "foundation/KESOString.h"

#include <set>
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

    // The pieces both summaries are made of, the text one and the one for scripts.
    struct Creator {
        bool known = false; // false when the file does not say who wrote it
        std::string name;
        int major = 0;
        int minor = 0;
    };
    static Creator creator(const String& path);
    // The export plays the mixer's tempo; the one stored with the song only sets the clock until
    // the first render.
    static int playingTempo(const NVandrelCore& core);
    static std::set<int> usedPatterns(const NSequencer& sequencer, int track);
    // Bars of the track's arrangement up to its last with a pattern; 0 when it has none.
    static int arrangedBars(const NSequencer& sequencer, int track);
    // Steps of a synthesizer's pattern; -1 for a pattern number the synthesizer does not have.
    static int patternSteps(const NVandrelCore& core, int track, int pattern);
    // "loaded", "no sample" or "not loaded", and for the last why.
    static std::string padStatus(const NVandrelCore& core, int slot, std::string& reason);
    static const char* machineName(int machine); // "SYN1" ... "MIX", as the program shows them

private:
    static std::string tempoLine(const NSequencer& sequencer, const NVandrelCore& core);
    static std::string creatorLine(const String& path);
    static std::string arrangementLine(const NSequencer& sequencer, int track);
    static std::string patternsLine(const NSequencer& sequencer, const NVandrelCore& core, int track);
    static std::string automationLine(const NSequencer& sequencer, int track);
    static std::string kitLines(const NVandrelCore& core);
    static std::string padLine(const NVandrelCore& core, int slot);
};
