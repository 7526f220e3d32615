// Writes the bundled default song: a short arrangement for all five machines, looping its first
// four bars in song mode.
#include "tools/songbuilder/NSongBuilder.h"

#include <cstdio>
#include <string>

namespace {

void composeBass(NSynthBank& bank, int root)
{
    static const int line[16] = {0, -1, 0, 12, -1, 0, 3, -1, 0, -1, 7, 0, -1, 10, 12, -1};
    for (int pattern = 0; pattern < 2; ++pattern) {
        for (int step = 0; step < 16; ++step) {
            NSynthBank::Step s;
            int note = line[step];
            s.gate = note >= 0;
            int pitch = root + (note < 0 ? 0 : note) + (pattern == 1 && step >= 8 ? 5 : 0);
            s.note = pitch % 12;
            s.octave = pitch / 12;
            s.accent = step % 4 == 0;
            s.slide = step == 2 || step == 13;
            s.retrigger = pattern == 1 && step == 15;
            bank.setStep(pattern, step, s);
        }
        bank.setLength(pattern, 16);
    }
}

void composeDrums(NDrumBank& bank)
{
    enum { OpenHat = 2, ClosedHat = 3, Clap = 7, Snare = 9, Kick = 11 };
    for (int pattern = 0; pattern < 2; ++pattern) {
        for (int step = 0; step < 16; ++step) {
            if (step % 4 == 0)
                bank.setHit(pattern, step, Kick, step == 0 ? 127 : 100);
            if (step % 8 == 4)
                bank.setHit(pattern, step, pattern == 0 ? Snare : Clap, 110);
            bank.setHit(pattern, step, step % 4 == 2 ? OpenHat : ClosedHat, step % 2 == 0 ? 90 : 60);
        }
        bank.setLength(pattern, 16);
    }
}

std::vector<std::int32_t> synthParameters(int waveform, int cutoff)
{
    //                       tr  cut   res  env att dec  acc  wf1  t1 f1 - wf2 t2 f2 - bal - ring hp dual
    std::vector<std::int32_t> p = {0, cutoff, 96, 90, 0, 190, 100, waveform, 0, 0, 0, 0, -12, 0, 0, 128, 0, 0, 0, 0};
    return p;
}

std::vector<std::int32_t> mixerParameters()
{
    std::vector<std::int32_t> p(41, 0);
    const int volumes[4] = {210, 150, 130, 220};
    const int pans[4] = {128, 96, 170, 128};
    for (int m = 0; m < 4; ++m) {
        p[8 * m + 0] = volumes[m];
        p[8 * m + 1] = pans[m];
    }
    p[8 * 1 + 2] = 90;  // delay send of the second synthesizer
    p[8 * 2 + 6] = 120; // reverb send of the third
    p[8 * 3 + 6] = 40;
    p[32] = 128; // delay return centred
    p[33] = 100; // delay feedback
    p[34] = 3;   // delay time in steps
    p[35] = 90;  // reverb level
    p[39] = 120; // tempo
    return p;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-default-song OUT.vdl\n");
        return 1;
    }
    NSongDescription song;
    song.tempo = 120;
    song.stepsPerBar = 16;
    song.mode = 1;
    song.loopStart = 0;
    song.loopEnd = 4;
    song.loopOn = 1;

    const int roots[3] = {24, 36, 31};
    const int waveforms[3] = {1, 2, 5};
    for (int n = 0; n < 3; ++n) {
        composeBass(song.synths[n], roots[n]);
        song.machines[n].patternSet = synthParameters(waveforms[n], 64 + 16 * n);
        song.machines[n].songSet = song.machines[n].patternSet;
    }
    composeDrums(song.drums);
    song.drums.hasKit = false; // the default kit
    song.machines[3].patternSet.assign(27, 0);
    for (int pad = 0; pad < 12; ++pad)
        song.machines[3].patternSet[pad] = 200; // every pad at its usual volume
    song.machines[3].songSet = song.machines[3].patternSet;
    song.machines[4].patternSet = mixerParameters();
    song.machines[4].songSet = song.machines[4].patternSet;

    song.machines[0].arrangement = {0, 0, 1, 1, 0, 0, 1, 1};
    song.machines[1].arrangement = {-1, -1, 0, 0, 0, 0, 1, 1};
    song.machines[2].arrangement = {-1, -1, -1, -1, 0, 1, 0, 1};
    song.machines[3].arrangement = {0, 0, 0, 1, 0, 0, 0, 1};
    song.machines[4].arrangement = {0, 0, 0, 0, 0, 0, 0, 0};
    // A filter sweep on the first synthesizer across the second bar, back down in the fourth.
    for (int i = 0; i < 8; ++i)
        song.machines[0].automation.push_back({256 + 32 * i, 1, 64 + 16 * i});
    song.machines[0].automation.push_back({768, 1, 64});

    if (!NSongBuilder::write(song, String::fromUtf8(argv[1]))) {
        std::fprintf(stderr, "make-default-song: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
