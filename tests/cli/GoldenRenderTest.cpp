// Golden renders: a checksum of every byte ruzi-render writes for a handful of songs that between
// them play each machine and effect, swing, automation, a bar of 12 steps, and the bundled song.
// The stored values in golden-renders.txt were made by the engine as it stood when they were
// written. Regenerate them only when a change to the sound is intended and asked for:
//
//   RUZI_REGENERATE_GOLDEN=1 build/tests/cli_tests --gtest_filter='GoldenRender.*'
//
// never to make a failing test pass: a mismatch means the output changed, which is a bug to find.
#include "tests/support/CommandRun.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

namespace {

const std::string renderer = std::string(RUZI_BIN_DIR) + "/ruzi-render";
const std::string goldenFile = std::string(RUZI_SOURCE_DIR) + "/tests/cli/golden-renders.txt";

std::uint64_t fnv1a(const std::vector<unsigned char>& bytes)
{
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char b : bytes)
        h = (h ^ b) * 1099511628211ull;
    return h;
}

std::vector<std::int32_t> synthSet(int wave1, int wave2, bool ring, bool highpass, bool dual)
{
    return {0, 100, 170, 130, 2, 140, 110, wave1, 0, 0, 0, wave2, 12, 5, 0, 130, 0, ring, highpass, dual};
}

void playEveryStep(NSynthBank& bank, int pattern, int seed)
{
    for (int step = 0; step < 16; ++step) {
        NSynthBank::Step s;
        s.note = (step * 7 + seed * 5) % 12;
        s.octave = (step + seed) % 3 - 1;
        s.gate = (step + seed) % 5 != 4;
        s.accent = step % 3 == seed % 3;
        s.slide = step % 4 == 1;
        s.retrigger = step % 6 == 5;
        bank.setStep(pattern, step, s);
    }
    bank.setLength(pattern, 16 - seed);
}

// Three synthesizers, the drums through their lowpass, distortion, delay, stereo reverb, swing, two
// patterns per machine, automation of a synthesizer's cutoff, the delay send and the tempo.
NSongDescription everyMachine(int bars)
{
    NSongDescription song;
    song.tempo = 131;
    song.loopStart = 1;
    song.loopEnd = 1 + bars;
    song.drums.hasKit = false;
    const std::vector<std::int32_t> sets[3] = {synthSet(1, 2, true, false, false), synthSet(2, 3, false, false, true),
                                               synthSet(5, 1, false, true, true)};
    for (int n = 0; n < 3; ++n) {
        playEveryStep(song.synths[n], 0, n);
        playEveryStep(song.synths[n], 1, n + 3);
        song.machines[n].patternSet = sets[n];
        song.machines[n].songSet = sets[n];
        for (int bar = 0; bar < bars + 2; ++bar)
            song.machines[n].arrangement.push_back(static_cast<std::int8_t>(bar % 3 == 2 ? -1 : (bar + n) % 2));
    }
    for (int bar = 0; bar < bars + 2; ++bar)
        song.machines[0].automation.push_back({bar * 256 + 64, 1, 30 + (bar * 41) % 200});
    for (int step = 0; step < 16; ++step)
        for (int pad = 0; pad < 12; ++pad)
            if ((step * 3 + pad) % 5 == 0)
                song.drums.setHit(step % 2, step, pad, 1 + (step + pad) % 7);
    song.drums.setLength(0, 16);
    song.drums.setLength(1, 12);
    std::vector<std::int32_t> drums(27, 180);
    drums[24] = 1;
    drums[25] = 150;
    drums[26] = 90;
    song.machines[3].patternSet = drums;
    song.machines[3].songSet = drums;
    for (int bar = 0; bar < bars + 2; ++bar)
        song.machines[3].arrangement.push_back(static_cast<std::int8_t>(bar % 2));

    std::vector<std::int32_t> mixer(41, 0);
    for (int m = 0; m < 4; ++m) {
        mixer[8 * m + 0] = 190;
        mixer[8 * m + 1] = 40 + 50 * m;
        mixer[8 * m + 2] = 60 + 20 * m;
        mixer[8 * m + 6] = 100 - 20 * m;
    }
    mixer[3] = 120; // distortion on the first synthesizer, folded back
    mixer[4] = 200;
    mixer[5] = 1;
    mixer[32] = 90;
    mixer[33] = 140;
    mixer[34] = 3;
    mixer[35] = 110;
    mixer[39] = 131;
    mixer[40] = 70;
    song.machines[4].patternSet = mixer;
    song.machines[4].songSet = mixer;
    song.machines[4].arrangement.assign(static_cast<size_t>(bars + 2), 0);
    song.machines[4].automation = {{256 + 128, 10, 200}, {2 * 256, 39, 118}, {2 * 256 + 96, 10, 20}};
    return song;
}

// A bar of 12 steps, sine and noise, heavy swing, the reverb in mono, a slower tempo.
NSongDescription twelveSteps()
{
    NSongDescription song = everyMachine(3);
    song.stepsPerBar = 12;
    song.tempo = 97;
    song.machines[0].songSet = synthSet(4, 6, false, false, false);
    song.machines[1].songSet = synthSet(6, 4, true, false, false);
    std::vector<std::int32_t>& mixer = song.machines[4].songSet;
    mixer[37] = 1;
    mixer[39] = 97;
    mixer[40] = 230;
    song.machines[4].automation.clear();
    song.machines[0].automation = {{12 * 16 + 40, 1, 220}, {2 * 12 * 16, 3, 10}};
    return song;
}

struct Render {
    const char* name;
    const char* song; // empty: the bundled song
    const char* options;
};

const Render renders[] = {
    {"bundled-loop", "", ""},
    {"bundled-whole", "", "--start 0 --end 20"},
    {"every-machine", "every.vdl", ""},
    {"every-machine-seamless", "every.vdl", "--seamless"},
    {"every-machine-tail", "every.vdl", "--tail 0.75"},
    {"twelve-steps", "twelve.vdl", ""},
};

std::map<std::string, std::string> readGolden()
{
    std::map<std::string, std::string> values;
    std::ifstream in(goldenFile);
    std::string name;
    std::string value;
    while (in >> name >> value)
        values[name] = value;
    return values;
}

} // namespace

TEST(GoldenRender, EveryByteAsStored)
{
    TempDir dir;
    ASSERT_TRUE(NSongBuilder::write(everyMachine(4), dir.file("every.vdl")));
    ASSERT_TRUE(NSongBuilder::write(twelveSteps(), dir.file("twelve.vdl")));

    std::map<std::string, std::string> golden = readGolden();
    std::ostringstream regenerated;
    for (const Render& r : renders) {
        CommandRun run = CommandRun::run(renderer + " --quiet -o out.wav " + r.options + " " + r.song, dir.path(""));
        ASSERT_EQ(run.status, 0) << r.name << ": " << run.err;
        std::ostringstream hex;
        hex << std::hex << fnv1a(dir.readBytes("out.wav"));
        regenerated << r.name << " " << hex.str() << "\n";
        EXPECT_EQ(golden[r.name], hex.str()) << r.name << " renders other bytes than it did";
    }
    if (std::getenv("RUZI_REGENERATE_GOLDEN") != nullptr)
        std::ofstream(goldenFile) << regenerated.str();
}
