// Writes the bundled default song: twenty bars in A minor at 124 bpm with a little swing, in four
// sections (intro, build, main, break). A distorted saw bass with slides and accents, a square
// arpeggio an octave up, a ring-modulated lead through the dual filter, and drums with accents,
// half-step rolls and the closed hat choking the open one. The loop markers hold four bars of the
// main part.
#include "tools/songbuilder/NSongBuilder.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

enum Pad { Crash, Ride, OpenHat, ClosedHat, HighTom, MidTom, LowTom, Clap, Rim, Snare, Snare2, Kick };
enum Velocity { Soft = 1, Hard = 3, Roll = 4 }; // Roll: a second hit on the half step

// A synthesizer step written as text: "-" rests, otherwise a note name (C, C#, D ... B), the octave,
// and flags: a accent, s slide, r retrigger at the half step. "A-1as" is an accented A sliding on.
NSynthBank::Step parseStep(const std::string& text)
{
    NSynthBank::Step s;
    if (text == "-")
        return s;
    static const std::string names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    size_t at = text[1] == '#' ? 2 : 1;
    for (int i = 0; i < 12; ++i)
        if (text.compare(0, at, names[i]) == 0)
            s.note = i;
    size_t flags = text.find_first_not_of("-0123456789", at);
    s.octave = std::stoi(text.substr(at, flags - at));
    std::string f = flags == std::string::npos ? "" : text.substr(flags);
    s.gate = true;
    s.accent = f.find('a') != std::string::npos;
    s.slide = f.find('s') != std::string::npos;
    s.retrigger = f.find('r') != std::string::npos;
    return s;
}

void setPattern(NSynthBank& bank, int pattern, const std::vector<std::string>& steps)
{
    for (int i = 0; i < 16; ++i)
        bank.setStep(pattern, i, parseStep(steps[i]));
    bank.setLength(pattern, 16);
}

void composeBass(NSynthBank& bank)
{
    setPattern(bank, 0, {"A-1a", "-", "A-1", "A0s", "A-1", "-", "C0a", "A-1", "A-1a", "-", "E0s", "D0", "A-1a", "G-1", "A-1s", "C0"});
    setPattern(bank, 1, {"A-1a", "A-1", "A0s", "A-1", "A-1a", "G-1", "A-1s", "C0", "F-1a", "F-1", "F0s", "F-1", "G-1a", "G-1", "B-1s", "C0r"});
    setPattern(bank, 2, {"A-1as", "A-1", "-", "-", "-", "-", "E-1", "-", "E-1a", "-", "-", "G-1s", "A-1", "-", "-", "-"});
}

void composeArpeggio(NSynthBank& bank)
{
    setPattern(bank, 0, {"A-1a", "-", "E-1", "C0", "A-1", "-", "E-1r", "C0", "G-1a", "-", "D-1", "B-1", "G-1", "-", "D-1r", "B-1"});
    setPattern(bank, 1, {"A-1a", "C0", "E0", "A0", "E0", "C0", "A-1r", "C0", "F-1a", "A-1", "C0", "F0", "G-1a", "B-1", "D0r", "G0"});
}

void composeLead(NSynthBank& bank)
{
    setPattern(bank, 0, {"-", "-", "E1a", "-", "-", "-", "C1", "D1s", "-", "-", "A0ar", "-", "-", "-", "G0s", "A0"});
    setPattern(bank, 1, {"E1as", "-", "G1", "-", "-", "-", "A1ar", "-", "-", "-", "C1", "-", "D1s", "-", "E1r", "-"});
}

void hits(NDrumBank& bank, int pattern, Pad pad, std::initializer_list<int> steps, int velocity)
{
    for (int step : steps)
        bank.setHit(pattern, step, pad, velocity);
}

void composeDrums(NDrumBank& bank)
{
    // 0 intro: four on the floor, soft closed hats on the off-beats.
    hits(bank, 0, Kick, {0, 4, 8, 12}, Soft);
    hits(bank, 0, ClosedHat, {2, 6, 10, 14}, Soft);
    // 1 build: snare on two and four, hats on every eighth, a rim on the last sixteenth.
    hits(bank, 1, Kick, {0, 4, 8, 12}, Soft);
    hits(bank, 1, Snare, {4, 12}, Soft);
    hits(bank, 1, ClosedHat, {0, 2, 4, 6, 8, 10, 12, 14}, Soft);
    hits(bank, 1, Rim, {15}, Soft);
    // 2 main: accented kick, clap and snare, open hats on the off-beats choked by the closed ones.
    hits(bank, 2, Kick, {0, 4, 8, 12}, Hard);
    hits(bank, 2, Kick, {14}, Soft);
    hits(bank, 2, Clap, {4, 12}, Hard);
    hits(bank, 2, Snare2, {4, 12}, Soft);
    hits(bank, 2, OpenHat, {2, 6, 10, 14}, Soft);
    hits(bank, 2, ClosedHat, {0, 1, 3, 4, 5, 7, 8, 9, 11, 12, 13, 15}, Soft);
    hits(bank, 2, ClosedHat, {3, 7, 11, 15}, Hard);
    // 3 main with a crash on the one, 4 main with a tom fill and a snare roll at its end.
    for (int pattern : {3, 4}) {
        for (int i = 0; i < 192; ++i)
            bank.bytes[pattern * NDrumBank::PatternBytes + i] = bank.bytes[2 * NDrumBank::PatternBytes + i];
    }
    hits(bank, 3, Crash, {0}, Hard);
    for (int step = 12; step < 16; ++step)
        for (Pad pad : {OpenHat, ClosedHat, Kick})
            bank.setHit(4, step, pad, 0);
    hits(bank, 4, HighTom, {12}, Hard);
    hits(bank, 4, MidTom, {13}, Soft);
    hits(bank, 4, LowTom, {14}, Hard);
    hits(bank, 4, Snare, {13, 14, 15}, Soft | Roll);
    // 5 break: ride and rim, a low tom now and then.
    hits(bank, 5, Ride, {0, 4, 8, 12}, Soft);
    hits(bank, 5, Rim, {3, 11}, Soft);
    hits(bank, 5, LowTom, {10}, Soft);
    hits(bank, 5, Kick, {0}, Soft);
    // 6 the build's last bar: a snare roll that gets louder.
    hits(bank, 6, Kick, {0, 4, 8}, Soft);
    hits(bank, 6, Snare, {8, 9, 10, 11}, Soft | Roll);
    hits(bank, 6, Snare, {12, 13, 14, 15}, Hard | Roll);
    for (int pattern = 0; pattern < 7; ++pattern)
        bank.setLength(pattern, 16);
}

std::vector<std::int32_t> synth(std::vector<std::int32_t> p)
{
    return p;
}

std::vector<std::int32_t> mixerParameters()
{
    std::vector<std::int32_t> p(41, 0);
    const int volumes[4] = {190, 110, 100, 230};
    const int pans[4] = {128, 92, 168, 128};
    for (int m = 0; m < 4; ++m) {
        p[8 * m + 0] = volumes[m];
        p[8 * m + 1] = pans[m];
    }
    p[0 + 3] = 70; // the bass distorted, with a little fold-back
    p[0 + 4] = 60;
    p[0 + 5] = 1;
    p[8 + 2] = 50;  // delay on the arpeggio, automated below
    p[16 + 2] = 40; // and on the lead
    p[16 + 6] = 110; // reverb on the lead
    p[24 + 6] = 30;  // and a little on the drums
    p[32] = 150; // delay return slightly right
    p[33] = 110; // feedback
    p[34] = 3;   // a dotted eighth
    p[35] = 80;  // reverb level
    p[39] = 124; // tempo
    p[40] = 24;  // a little swing
    return p;
}

std::vector<std::int8_t> bars(std::initializer_list<int> list)
{
    std::vector<std::int8_t> v;
    for (int b : list)
        v.push_back(static_cast<std::int8_t>(b));
    return v;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-default-song OUT.vdl\n");
        return 1;
    }
    NSongDescription song;
    song.tempo = 124;
    song.stepsPerBar = 16;
    song.mode = 1;
    song.loopStart = 8;
    song.loopEnd = 12;
    song.loopOn = 1;

    composeBass(song.synths[0]);
    composeArpeggio(song.synths[1]);
    composeLead(song.synths[2]);
    composeDrums(song.drums);
    song.drums.hasKit = false; // the default kit

    //                      tr cut res env att dec acc wf1 t1 f1 -  wf2 t2  f2 - bal - ring hp dual
    song.machines[0].patternSet = synth({0, 40, 170, 120, 0, 150, 150, 1, 0, 0, 0, 1, -12, 6, 0, 170, 0, 0, 0, 0});
    song.machines[1].patternSet = synth({0, 110, 90, 70, 0, 110, 80, 2, 12, 0, 0, 0, 0, 0, 0, 255, 0, 0, 0, 0});
    song.machines[2].patternSet = synth({0, 120, 120, 100, 2, 170, 90, 5, 0, 0, 0, 3, 7, 0, 0, 128, 0, 1, 1, 1});
    song.machines[3].patternSet = {150, 140, 140, 150, 180, 180, 180, 190, 170, 200, 190, 230};
    song.machines[3].patternSet.resize(27, 0);
    song.machines[4].patternSet = mixerParameters();
    for (NSongMachine& machine : song.machines)
        machine.songSet = machine.patternSet;

    //                                intro       build       main                    break
    song.machines[0].arrangement = bars({0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2});
    song.machines[1].arrangement = bars({-1, -1, -1, -1, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, -1, -1});
    song.machines[2].arrangement = bars({-1, -1, -1, -1, -1, -1, -1, -1, 0, 0, 0, 1, 0, 0, 0, 1, -1, -1, -1, -1});
    song.machines[3].arrangement = bars({0, 0, 0, 0, 1, 1, 1, 6, 3, 2, 2, 4, 3, 2, 2, 4, 5, 5, 5, 5});
    song.machines[4].arrangement = bars({0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});

    // The bass filter opens over intro and build, stays open in the main part and closes in the break.
    const int cutoff[20] = {30, 40, 50, 60, 70, 80, 95, 110, 100, 100, 100, 100, 100, 100, 100, 100, 70, 50, 35, 25};
    for (int bar = 0; bar < 20; ++bar) {
        song.machines[0].automation.push_back({bar * 256, 1, cutoff[bar]});
        song.machines[0].automation.push_back({bar * 256 + 128, 1, cutoff[bar] + 12});
    }
    // The arpeggio's delay send swells in the build and floods the break.
    const int send[20] = {0, 0, 0, 0, 20, 35, 50, 65, 50, 50, 50, 50, 50, 50, 50, 70, 140, 160, 180, 180};
    for (int bar = 0; bar < 20; ++bar)
        song.machines[4].automation.push_back({bar * 256, 8 + 2, send[bar]});

    if (!NSongBuilder::write(song, String::fromUtf8(argv[1]))) {
        std::fprintf(stderr, "make-default-song: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
