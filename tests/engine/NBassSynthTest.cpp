#include "engine/NBassSynth.h"

#include "engine/NSequencer.h"
#include "engine/NTables.h"
#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"
#include "tests/support/RecordingMachine.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <utility>

namespace {

using Message = FakeMidiPort::Message;
using Messages = std::vector<Message>;
using Step = NSynthBank::Step;

Step note(int n, int octave = 0, bool accent = false) { return Step{n, octave, true, accent, false, false}; }

// How the voice sounds is pinned by the golden renders; these tests pin what a render cannot show:
// pitches, MIDI and the pattern flow. The three synthesizers as the engine wires them: on the
// sequencer's first tracks, songs loaded by the loader, notes going out to a recording MIDI port
// with Control held.
class NBassSynthTest : public ::testing::Test {
protected:
    NBassSynthTest()
    {
        NTables::buildTables();
        services.keyState.down.insert(KESOKeyState::Control);
        NMidiOut::instance().open();
        for (int i = 0; i < 3; ++i) {
            synths[i] = std::make_unique<NBassSynth>(i);
            seq.tracks[i].machine = synths[i].get();
        }
        takeMidi();
    }

    // Like the mixer: render a block, then let the clock move on.
    void runSteps(int n)
    {
        std::array<std::int32_t, ntime::BlockFrames> block;
        for (int i = 0; i < n * seq.blocksPerStep; ++i) {
            for (auto& s : synths)
                s->render(block.data());
            seq.tick();
        }
    }
    void start() { seq.start(); seq.tick(); }
    // A pattern-mode song whose synthesizer 0 has these steps in pattern 0; the other patterns are
    // empty and of length 0. Without parameters in the song, the synthesizers keep their defaults.
    static NSongDescription song(std::initializer_list<Step> steps, int length = 16)
    {
        NSongDescription d;
        d.mode = 0;
        for (int n = 0; n < 3; ++n)
            d.machines[n].hasParameters = false;
        int s = 0;
        for (const Step& step : steps)
            d.synths[0].setStep(0, s++, step);
        d.synths[0].setLength(0, length);
        return d;
    }
    void load(const NSongDescription& d)
    {
        ASSERT_TRUE(NSongBuilder::write(d, dir.file("song.vdl")));
        ASSERT_EQ(seq.loadSong(dir.file("song.vdl")), NSequencer::LoadResult::Loaded);
        takeMidi();
    }
    Messages takeMidi() { return std::exchange(midi.messages, {}); }
    NBassSynth& synth() { return *synths[0]; }
    FakeServices services;
    FakeMidiPort midi;
    TempDir dir;
    SequencerFixture fixture; // the drum machine's and the mixer's tracks hold recording stand-ins
    NSequencer& seq = NSequencer::instance();
    std::unique_ptr<NBassSynth> synths[3];
};

TEST_F(NBassSynthTest, EachNoteGoesOutAsMidiUntilThePatternOrPlaybackStops)
{
    start(); // the defaults play middle C, the silent second oscillator an octave down
    EXPECT_EQ(takeMidi(), (Messages{{144, 48, 100}, {148, 36, 100}, {145, 48, 100}, {149, 36, 100}, {146, 48, 100},
                                    {150, 36, 100}}));
    runSteps(1); // each note ends before the next
    Messages sent = takeMidi();
    EXPECT_EQ(Messages(sent.begin(), sent.begin() + 3), (Messages{{144, 48, 0}, {148, 36, 0}, {144, 48, 100}}));
    synth().setPattern(-1); // no pattern: silence at once, then the steps only count, from 0
    EXPECT_EQ(takeMidi(), (Messages{{144, 48, 0}, {148, 36, 0}}));
    runSteps(2);
    EXPECT_EQ(synth().getStep(), 2);
    takeMidi();
    seq.stop();
    EXPECT_EQ(takeMidi().size(), 6u); // the other two synthesizers' notes end
    EXPECT_EQ(synth().getStep(), 0);
    synth().setPattern(0);
    start();
    EXPECT_EQ(synth().ampEnvelope.rate, (1 << 20) / 16); // after a stop a note rises from silence
}

// Notes a song transposes past either end still go out to MIDI inside 0 to 127.
TEST_F(NBassSynthTest, TransposesMoveThePitchButTheMidiNoteLeavesTheOctaveOutAndStaysInRange)
{
    NSongDescription d = song({note(3, 1, true), note(127, 127), note(-128, -128)});
    d.synths[1].setStep(0, 0, note(0));
    load(d);
    synth().setCurrentSetParameter(0, 2);    // transposes both oscillators
    synth().setCurrentSetParameter(8, 5);    // osc1
    synth().setCurrentSetParameter(13, 100); // osc2 fine tune
    synths[1]->setCurrentSetParameter(9, 252);
    start();
    Messages sent = takeMidi();
    EXPECT_EQ(Messages(sent.begin(), sent.begin() + 2),
              (Messages{{144, 3 + 2 + 5 + 48, 127}, {148, 3 + 2 - 12 + 48, 127}}));
    // osc2: 25/63 of the way from note 53 to 54
    EXPECT_EQ((std::array{synth().osc1.increment, synth().osc2.increment, synths[1]->osc1.increment}),
              (std::array{NTables::pitch(70), 17407180u, 13497624u}));
    EXPECT_EQ(synth().ampEnvelope.peak, 1212416); // accented
    runSteps(2);
    for (const Message& m : takeMidi())
        EXPECT_TRUE(m.data1 >= 0 && m.data1 <= 127) << m;
}

TEST_F(NBassSynthTest, PatternModeLoopsAndTakesTheNextPatternAtItsEnd)
{
    NSongDescription d = song({note(0), note(1), note(2), note(3)}, 4);
    d.synths[0].setStep(1, 0, note(11));
    d.synths[0].setLength(1, 16);
    load(d);
    start();
    std::vector<int> notes{takeMidi().at(0).data1};
    for (int i = 1; i < 9; ++i) {
        if (i == 5) // it waits for the end of the current one
            synth().setNextPattern(1);
        runSteps(1);
        notes.push_back(takeMidi().at(2).data1);
    }
    EXPECT_EQ(notes, (std::vector<int>{48, 49, 50, 51, 48, 49, 50, 51, 59}));
}

} // namespace
