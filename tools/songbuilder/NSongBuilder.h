#pragma once

#include "engine/NSongLayout.h"
#include "foundation/KESOString.h"

#include <array>
#include <cstdint>
#include <vector>

class ChunkFile;

// One automation event as a song stores it.
struct NSongEvent {
    int position; // ticks
    int column;
    int value;
};

// What a song file says about one machine. Switches leave chunks out, for malformed songs in tests.
struct NSongMachine {
    bool present = true;  // the machine chunk (SYN1 ... MIX) at all
    bool hasData = true;  // its DATA chunk
    bool hasTrack = true; // its SEQd chunk
    bool hasParameters = true;
    std::vector<std::int32_t> patternSet; // PARp; padded with zeros to the machine's count
    std::vector<std::int32_t> songSet;    // PARs
    std::vector<std::int8_t> arrangement; // BARd, one entry per bar, -1 empty
    std::vector<NSongEvent> automation;   // AUTd, in list order
};

// A bass synthesizer's pattern bank: 32 patterns of 16 six-byte steps, a length and 4 spare bytes.
struct NSynthBank {
    static constexpr int Patterns = NBassSynth::PatternCount;
    static constexpr int PatternBytes = NBassSynth::PatternBytes;

    int selectedPattern = 0;
    std::array<std::uint8_t, Patterns * PatternBytes> bytes{};

    struct Step {
        int note = 0; // semitone within the octave
        int octave = 0;
        bool gate = false;
        bool accent = false;
        bool slide = false;
        bool retrigger = false;
    };
    void setStep(int pattern, int step, const Step& s);
    void setLength(int pattern, int steps);
};

// The drum machine's bank: 32 patterns of 16 steps of 12 pad bytes, a length and 4 spare bytes; and
// the kit, one sample name per pad (an empty name writes no chunk for the pad, which then keeps
// whatever sound it had).
struct NDrumBank {
    static constexpr int Patterns = NDrumMachine::Patterns;
    static constexpr int PatternBytes = NDrumMachine::PatternBytes;
    static constexpr int Pads = NDrumMachine::Slots;

    std::array<std::uint8_t, Patterns * PatternBytes> bytes{};
    bool hasKit = true; // false writes no kit chunk: the drum machine then plays the default kit
    std::array<String, Pads> samples;

    void setHit(int pattern, int step, int pad, int velocity);
    void setLength(int pattern, int steps);
};

// Everything a song file holds, with the defaults of a fresh song.
struct NSongDescription {
    static constexpr int Machines = songlayout::MachineCount;

    bool hasFileInfo = true;
    String creator = u"VandrelStudio";
    int major = 1;
    int minor = 1;

    bool hasSettings = true;
    bool hasLoop = true;
    int stepsPerBar = 16;
    int mode = 1;
    int position = 0;
    int tempo = 120;
    int loopStart = 0;
    int loopEnd = 4;
    int loopOn = 1;

    NSongMachine machines[Machines];
    NSynthBank synths[songlayout::SynthCount];
    NDrumBank drums;
    // Mixer parameters stored directly under MIX (outside DATA); empty writes none.
    std::vector<std::int32_t> mixerLoosePatternSet;
};

// Writes complete .VDL songs from a description. The program itself never writes songs; the tools
// that make our bundled song and the tests do.
class NSongBuilder {
public:
    // False when the file cannot be written.
    static bool write(const NSongDescription& song, const String& path);

private:
    static void writeFileInfo(ChunkFile& file, const NSongDescription& song);
    static void writeSettings(ChunkFile& file, const NSongDescription& song);
    static void writeMachine(ChunkFile& file, const NSongDescription& song, int n);
    static void writeData(ChunkFile& file, const NSongDescription& song, int n);
    static void writeParameters(ChunkFile& file, const NSongMachine& machine, int count);
    static void writeTrack(ChunkFile& file, const NSongMachine& machine);
    static void writeIntChunk(ChunkFile& file, std::uint32_t tag, int value);
};
