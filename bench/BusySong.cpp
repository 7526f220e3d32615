#include "bench/BusySong.h"

#include "engine/NProgramSession.h"
#include "engine/NSequencer.h"
#include "engine/NTime.h"
#include "tools/drumkit/NDrumSynth.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <cmath>
#include <filesystem>
#include <vector>

namespace {

const char* const kit[12] = {"CR_std.wav", "CY_std.wav", "OH_std.wav", "CH_std.wav", "HT_std.wav", "MT_std.wav",
                             "LT_std.wav", "CL_std.wav", "RS_std.wav", "SN_std.wav", "SN2_std.wav", "BD_std.wav"};

void writeTone(const std::string& path, double hertz, int frames)
{
    std::vector<std::int16_t> samples(static_cast<size_t>(frames));
    for (int i = 0; i < frames; ++i)
        samples[i] = static_cast<std::int16_t>(20000 * std::exp(-4.0 * i / frames) *
                                               std::sin(6.2831853 * hertz * i / ntime::SampleRate));
    NDrumSynth::writeWav(String::fromUtf8(path), samples);
}

std::vector<std::int32_t> synthParameters(int waveform1, int waveform2, bool ring, bool dual)
{
    std::vector<std::int32_t> p = {0, 90, 160, 120, 0, 150, 120, waveform1, 0, 0, 0, waveform2, -12, 7, 0, 150, 0,
                                   ring ? 1 : 0, 0, dual ? 1 : 0};
    return p;
}

std::vector<std::int32_t> mixerParameters()
{
    std::vector<std::int32_t> p(NMixer::ParameterCount, 0);
    for (int m = 0; m < 4; ++m) {
        p[8 * m + 0] = 200;
        p[8 * m + 1] = 64 + 40 * m;
        p[8 * m + 2] = 80;
        p[8 * m + 6] = 90;
    }
    p[3] = 100; // distortion on the first synthesizer
    p[4] = 128;
    p[5] = 1;
    p[32] = 128;
    p[33] = 120;
    p[34] = 3;
    p[35] = 100;
    p[39] = 125;
    p[40] = 40;
    return p;
}

} // namespace

std::string BusySong::write(const std::string& folder, int bars)
{
    std::filesystem::create_directories(folder + "/samples");
    for (int pad = 0; pad < 12; ++pad)
        writeTone(folder + "/samples/" + kit[pad], 60.0 + 90.0 * pad, 4000 + 3000 * pad);

    NSongDescription song;
    song.loopStart = 0;
    song.loopEnd = bars;
    song.drums.hasKit = false;
    for (int n = 0; n < 3; ++n) {
        NSynthBank& bank = song.synths[n];
        for (int step = 0; step < 16; ++step) {
            NSynthBank::Step s;
            s.note = (step * 5 + n * 3) % 12;
            s.octave = 2 + (step % 3);
            s.gate = true;
            s.accent = step % 3 == 0;
            s.slide = step % 5 == 2;
            s.retrigger = step % 4 == 3;
            bank.setStep(0, step, s);
        }
        bank.setLength(0, 16);
        song.machines[n].patternSet = synthParameters(1 + n, n == 1 ? 2 : 0, n == 1, n == 2);
        song.machines[n].songSet = song.machines[n].patternSet;
        song.machines[n].arrangement.assign(static_cast<size_t>(bars), 0);
        for (int bar = 0; bar < bars; ++bar) // a cutoff sweep on every synthesizer
            song.machines[n].automation.push_back({bar * 256 + 128, 1, 40 + (bar * 23) % 200});
    }
    for (int step = 0; step < 16; ++step)
        for (int pad = 0; pad < 12; ++pad)
            if ((step + pad) % 3 == 0)
                song.drums.setHit(0, step, pad, 1 + (step % 4) + ((pad % 2) << 2));
    song.drums.setLength(0, 16);
    song.machines[3].patternSet.assign(27, 0);
    for (int pad = 0; pad < 12; ++pad)
        song.machines[3].patternSet[pad] = 200;
    song.machines[3].patternSet[24] = 1; // the drum lowpass on
    song.machines[3].patternSet[25] = 180;
    song.machines[3].patternSet[26] = 100;
    song.machines[3].songSet = song.machines[3].patternSet;
    song.machines[3].arrangement.assign(static_cast<size_t>(bars), 0);
    song.machines[4].patternSet = mixerParameters();
    song.machines[4].songSet = song.machines[4].patternSet;
    song.machines[4].arrangement.assign(static_cast<size_t>(bars), 0);

    std::string path = folder + "/busy.vdl";
    NSongBuilder::write(song, String::fromUtf8(path));
    return path;
}

bool BusySong::load(const std::string& folder, const std::string& song)
{
    // Started as the program starts; the bundled song need not be found, the busy one replaces it.
    NProgramSession session;
    session.startUp();
    setAppDirectory(String::fromUtf8(folder)); // where the busy song's kit lies
    return session.loadSong(String::fromUtf8(song)) == NSequencer::LoadResult::Loaded;
}
