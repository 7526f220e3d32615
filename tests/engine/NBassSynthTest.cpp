#include "engine/NBassSynth.h"

#include "engine/NSequencer.h"
#include "engine/NTables.h"
#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>
#include <utility>

namespace {

using Message = FakeMidiPort::Message;
using Messages = std::vector<Message>;
using Block = std::array<std::int32_t, ntime::BlockFrames>;
using Step = NSynthBank::Step;

// The synthesizer's own defaults.
constexpr int Defaults[20] = {0, 64, 64, 90, 0, 190, 100, 1, 0, 0, 0, 0, -12, 0, 0, 128, 0, 0, 0, 0};

Step note(int n, int octave = 0, bool slide = false, bool accent = false, bool retrigger = false)
{
    return Step{n, octave, true, accent, slide, retrigger};
}

// How the voice sounds (filter sweep, glide, retrigger, ring modulation) is pinned by the golden
// renders; these tests pin what a render cannot show: pitches, MIDI, the pattern flow and hostile
// song data. The three synthesizers as the engine wires them: registered with the sequencer, songs
// loaded by the song loader, notes going out to a recording MIDI port with Control held.
class NBassSynthTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NTables::buildTables();
        TearDown();
        services.keyState.down.insert(KESOKeyState::Control);
        NMidiOut::instance().open();
        for (int i = 0; i < 3; ++i) {
            synths[i] = std::make_unique<NBassSynth>(i);
            seq.addMachine(synths[i].get());
        }
        takeMidi();
    }
    void TearDown() override
    {
        seq.resetDefaults();
        for (NSeqTrack& track : seq.tracks) {
            track.clear();
            track.machine = nullptr;
        }
    }

    // Like the mixer: render a block, then let the clock move on.
    void runBlocks(int n)
    {
        Block b;
        for (int i = 0; i < n; ++i) {
            for (auto& s : synths)
                s->render(b.data());
            seq.tick();
        }
    }
    void runSteps(int n) { runBlocks(n * seq.blocksPerStep); }
    void start()
    {
        seq.start();
        seq.tick();
    }

    // A pattern-mode song with default settings whose synthesizer 0 has these steps in pattern 0.
    static NSongDescription song(std::initializer_list<Step> steps, int length = 16)
    {
        NSongDescription d;
        d.mode = 0;
        for (int n = 0; n < 3; ++n) {
            d.machines[n].patternSet.assign(Defaults, Defaults + 20);
            d.machines[n].songSet = d.machines[n].patternSet;
            for (int p = 0; p < NSynthBank::Patterns; ++p)
                d.synths[n].setLength(p, 16);
        }
        int s = 0;
        for (const Step& step : steps)
            d.synths[0].setStep(0, s++, step);
        d.synths[0].setLength(0, length);
        return d;
    }

    void load(const NSongDescription& d, bool andStart = true)
    {
        ASSERT_TRUE(NSongBuilder::write(d, dir.file("song.vdl")));
        ASSERT_EQ(seq.loadSong(dir.file("song.vdl")), NSequencer::LoadResult::Loaded);
        takeMidi();
        if (andStart)
            start();
    }

    Messages takeMidi() { return std::exchange(midi.messages, {}); }
    NBassSynth& synth() { return *synths[0]; }

    FakeServices services;
    FakeMidiPort midi;
    TempDir dir;
    NSequencer& seq = NSequencer::instance();
    std::unique_ptr<NBassSynth> synths[3];
};

TEST_F(NBassSynthTest, EachNoteGoesOutAsMidiAndEndsBeforeTheNextOneOrWhenThePatternOrPlaybackStops)
{
    start(); // the defaults play middle C, the silent second oscillator an octave down
    Messages expected;
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), {{144 + i, 48, 100}, {148 + i, 36, 100}});
    EXPECT_EQ(takeMidi(), expected);
    EXPECT_EQ(synth().osc1.increment, NTables::pitch(48));
    EXPECT_EQ(synth().osc2.increment, NTables::pitch(36));

    runSteps(1);
    Messages sent = takeMidi();
    ASSERT_EQ(sent.size(), 12u);
    EXPECT_EQ(Messages(sent.begin(), sent.begin() + 3), (Messages{{144, 48, 0}, {148, 36, 0}, {144, 48, 100}}));
    synth().setPattern(-1); // no pattern: silence at once, then the steps only count, from 0
    EXPECT_EQ(takeMidi(), (Messages{{144, 48, 0}, {148, 36, 0}}));
    runSteps(2);
    EXPECT_EQ(synth().getStep(), 2);
    EXPECT_EQ(takeMidi().size(), 16u); // the other two synthesizers go on
    seq.stop();
    EXPECT_EQ(takeMidi().size(), 6u);
    EXPECT_EQ(synth().getStep(), 0);
    synth().setPattern(0);
    start();
    EXPECT_EQ(synth().ampEnvelope.rate, (1 << 20) / 16); // after a stop a note rises from silence
}

TEST_F(NBassSynthTest, TransposesAndAccentShapeTheNoteButTheMidiNoteLeavesTheOctaveOut)
{
    NSongDescription d = song({note(3, 1, false, true)});
    d.machines[0].patternSet[0] = 2;    // both oscillators
    d.machines[0].patternSet[8] = 5;    // osc1
    d.machines[0].patternSet[13] = 100; // osc2 fine tune
    d.synths[1].setStep(0, 0, note(0));
    d.machines[1].patternSet[9] = 252;
    load(d);

    Messages sent = takeMidi();
    EXPECT_EQ(sent[0], (Message{144, 3 + 2 + 5 + 48, 127}));
    EXPECT_EQ(sent[1], (Message{148, 3 + 2 - 12 + 48, 127}));
    EXPECT_EQ(synth().osc1.increment, NTables::pitch(70));
    EXPECT_EQ(synth().osc2.increment, 17407180u); // 25/63 of the way from note 53 to 54
    EXPECT_EQ(synths[1]->osc1.increment, 13497624u);
    EXPECT_EQ(synth().ampEnvelope.peak, 1212416);
    EXPECT_EQ(synth().filterEnvelope.peak, 100 * 4096 + 90 * 90 * 16);
    EXPECT_EQ(synth().ampEnvelope.attackFrames, 16);
}

TEST_F(NBassSynthTest, PatternModeLoopsAndTakesTheNextPatternAtItsEnd)
{
    NSongDescription d = song({note(0), note(1), note(2), note(3)}, 4);
    d.synths[0].setStep(1, 0, note(11));
    load(d);
    std::vector<int> steps{synth().getStep()};
    std::vector<int> notes{takeMidi().at(0).data1};
    for (int i = 1; i < 9; ++i) {
        if (i == 5)
            synth().setNextPattern(1);
        runSteps(1);
        steps.push_back(synth().getStep());
        notes.push_back(takeMidi().at(2).data1);
    }
    // The next pattern waits for the end of the current one.
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 0, 1, 2, 3, 0, 1}));
    EXPECT_EQ(notes, (std::vector<int>{48, 49, 50, 51, 48, 49, 50, 51, 59}));
}

TEST_F(NBassSynthTest, ALoadedSynthesizerHoldsTheSongsBankAndPattern)
{
    NSongDescription d = song({note(-3, 2, true), note(5, -1)}, 7);
    d.synths[0].selectedPattern = 9;
    d.synths[0].bytes[31 * 104 + 103] = 0xEE;
    load(d, false);
    EXPECT_EQ(std::memcmp(synth().patternBytes(), d.synths[0].bytes.data(), NBassSynth::BankBytes), 0);
    EXPECT_EQ(synth().getCurrentPattern(), 9);
}

TEST_F(NBassSynthTest, HostileSongDataPlaysSafely)
{
    NSongDescription d = song({note(127, 127), note(-128, -128)}, 1000);
    d.mode = 1;
    d.synths[0].selectedPattern = 77;
    d.synths[1].setLength(0, -5);
    d.synths[2].setLength(0, 0x7FFFFFFF);
    d.machines[0].arrangement = {0, 100, -7, 31};
    d.machines[1].arrangement = d.machines[2].arrangement = {0, 0};
    std::vector<std::int32_t>& p = d.machines[0].songSet;
    p[0] = p[3] = 0x7FFFFFFF;
    p[1] = -0x7FFFFFFF;
    p[2] = 0x40000000;
    p[4] = p[9] = -1;
    load(d, false);
    seq.start();
    runSteps(70);
    EXPECT_EQ(synths[1]->getStep(), 0); // a length below 1 replays step 0
    for (const Message& m : midi.messages)
        EXPECT_TRUE(m.data1 >= 0 && m.data1 <= 127) << m;
    seq.setMode(0);
    EXPECT_EQ(synth().getCurrentPattern(), -1); // 77 is no pattern
    synth().setNextPattern(40);
    EXPECT_EQ(synth().nextPatternNumber(), -1);
    runSteps(20);
}

} // namespace
