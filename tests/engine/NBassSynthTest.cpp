#include "engine/NBassSynth.h"

#include "engine/NSequencer.h"
#include "engine/NTables.h"
#include "foundation/ChunkFile.h"
#include "tests/support/FakeMidiPort.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tools/songbuilder/NSongBuilder.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <memory>

namespace {

using Message = FakeMidiPort::Message;
using Block = std::array<std::int32_t, NMachine::BlockFrames>;
using Step = NSynthBank::Step;

// The synthesizers as the engine wires them: registered with the sequencer, their notes going out
// to a recording MIDI port with Control held.
class NBassSynthTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        NTables::buildTables();
        resetSequencer();
        services.keyState.down.insert(KESOKeyState::Control);
        NMidiOut::instance().open(0);
        for (int i = 0; i < 3; ++i) {
            synths[i] = std::make_unique<NBassSynth>(i);
            seq.addMachine(synths[i].get());
        }
        midi.messages.clear();
    }

    void TearDown() override { resetSequencer(); }

    void resetSequencer()
    {
        seq.resetDefaults();
        for (NSeqTrack& track : seq.tracks) {
            track.clear();
            track.machine = nullptr;
        }
    }

    // Renders and ticks like the mixer: each block rendered, then the clock moves on.
    void runBlocks(int n)
    {
        Block b;
        for (int i = 0; i < n; ++i) {
            for (auto& s : synths)
                s->render(b.data());
            seq.tick();
        }
    }

    // From the first tick of a step to the first tick of the next.
    void runSteps(int n) { runBlocks(n * seq.blocksPerStep); }

    // Loads a song of synthesizer banks through the song loader, as the program does.
    void loadSong(const NSongDescription& song)
    {
        ASSERT_TRUE(NSongBuilder::write(song, dir.file("song.vdl")));
        ASSERT_EQ(seq.loadSong(dir.file("song.vdl")), NSequencer::LoadResult::Loaded);
        midi.messages.clear(); // the stop before loading ends the notes of no song
    }

    // A pattern-mode song whose synthesizer 0 plays pattern 0 with the given steps.
    static NSongDescription patternSong(std::initializer_list<Step> steps, int length = 16)
    {
        NSongDescription song;
        song.mode = 0;
        for (int n = 0; n < 3; ++n) {
            for (int i = 0; i < 20; ++i)
                song.machines[n].patternSet.push_back(defaults[i]);
            song.machines[n].songSet = song.machines[n].patternSet;
            for (int p = 0; p < NSynthBank::Patterns; ++p)
                song.synths[n].setLength(p, 16);
        }
        int s = 0;
        for (const Step& step : steps)
            song.synths[0].setStep(0, s++, step);
        song.synths[0].setLength(0, length);
        return song;
    }

    std::vector<Message> takeMidi()
    {
        std::vector<Message> m = midi.messages;
        midi.messages.clear();
        return m;
    }

    static constexpr int defaults[20] = {0, 64, 64, 90, 0, 190, 100, 1, 0, 0, 0, 0, -12, 0, 0, 128, 0, 0, 0, 0};

    FakeServices services;
    FakeMidiPort midi;
    TempDir dir;
    NSequencer& seq = NSequencer::instance();
    std::unique_ptr<NBassSynth> synths[3];
    NBassSynth& synth() { return *synths[0]; }
};

Step note(int n, int octave = 0)
{
    Step s;
    s.note = n;
    s.octave = octave;
    s.gate = true;
    return s;
}

Step withSlide(Step s)
{
    s.slide = true;
    return s;
}

Step rest()
{
    return Step{};
}

// ---- construction and defaults ----

TEST_F(NBassSynthTest, ConstructedWithTheDefaults)
{
    NBassSynth& s = synth();
    EXPECT_TRUE(s.active);
    EXPECT_EQ(s.getParameterCount(), 20);
    for (int set = 0; set < 2; ++set)
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(s.parameter(set, i), defaults[i]) << set << " " << i;
    const std::uint8_t* bank = s.patternBytes();
    for (int p = 0; p < NBassSynth::PatternCount; ++p) {
        const std::uint8_t* pat = bank + p * NBassSynth::PatternBytes;
        for (int st = 0; st < 16; ++st) {
            const std::uint8_t expected[6] = {0, 0, 1, 0, 0, 0};
            EXPECT_EQ(std::memcmp(pat + st * 6, expected, 6), 0);
        }
        EXPECT_EQ(pat[96], 16);
        EXPECT_EQ(pat[100], 0);
    }
    EXPECT_EQ(s.getCurrentPattern(), 0);
    EXPECT_EQ(s.getStep(), 0);
}

TEST_F(NBassSynthTest, DefaultFirstStepPlaysMiddleCOnBothChannels)
{
    seq.start();
    seq.tick();
    std::vector<Message> sent = takeMidi();
    // Each synthesizer: osc1 on channel index, osc2 (an octave down, silent) on index + 4.
    std::vector<Message> expected;
    for (int i = 0; i < 3; ++i) {
        expected.push_back({144 + i, 48, 100});
        expected.push_back({148 + i, 36, 100});
    }
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(synth().osc1.increment, NTables::pitch(48));
    EXPECT_EQ(synth().osc2.increment, NTables::pitch(36));
    EXPECT_EQ(synth().osc1.waveform, NOscillator::Saw);
    EXPECT_EQ(synth().osc2.waveform, 0);
    EXPECT_EQ(synth().getStep(), 1);

    // The second step ends the first notes before starting the next.
    runSteps(1);
    sent = takeMidi();
    ASSERT_EQ(sent.size(), 12u);
    EXPECT_EQ(sent[0], (Message{144, 48, 0}));
    EXPECT_EQ(sent[1], (Message{148, 36, 0}));
    EXPECT_EQ(sent[2], (Message{144, 48, 100}));
}

TEST_F(NBassSynthTest, NotesTransposeAndAccentSetsVelocity)
{
    Step accented = note(3, 1);
    accented.accent = true;
    NSongDescription song = patternSong({accented});
    song.machines[0].patternSet[0] = 2; // both oscillators
    song.machines[0].patternSet[8] = 5; // osc1
    loadSong(song);
    seq.start();
    seq.tick();
    std::vector<Message> sent = takeMidi();
    ASSERT_GE(sent.size(), 2u);
    // The MIDI note leaves the octave out; the oscillator's pitch keeps it.
    EXPECT_EQ(sent[0], (Message{144, 3 + 2 + 5 + 48, 127}));
    EXPECT_EQ(sent[1], (Message{148, 3 + 2 - 12 + 48, 127}));
    EXPECT_EQ(synth().osc1.increment, NTables::pitch(3 + 12 + 2 + 5 + 48));
    EXPECT_EQ(synth().ampEnvelope.peak, 1212416);
    // Accent adds P6 * 4096 to the filter envelope's peak of P3 * P3 * 16.
    EXPECT_EQ(synth().filterEnvelope.peak, 100 * 4096 + 90 * 90 * 16);
    EXPECT_EQ(synth().filterEnvelope.decayStep, (100 * 4096 + 90 * 90 * 16) / (190 * 190));
    EXPECT_EQ(synth().ampEnvelope.attackFrames, 16);
}

TEST_F(NBassSynthTest, FineTuneBendsTowardsTheNextSemitone)
{
    NSongDescription song = patternSong({note(0)});
    song.machines[0].patternSet[9] = 252;
    song.machines[0].patternSet[13] = 100;
    song.synths[1].setStep(0, 0, note(0));
    loadSong(song);
    seq.start();
    seq.tick();
    std::int32_t c = static_cast<std::int32_t>(NTables::pitch(49));
    EXPECT_EQ(synth().osc1.increment, static_cast<std::uint32_t>(c - c % 63));
    std::int32_t lo = static_cast<std::int32_t>(NTables::pitch(36));
    std::int32_t hi = static_cast<std::int32_t>(NTables::pitch(37));
    EXPECT_EQ(synth().osc2.increment, static_cast<std::uint32_t>(lo / 63 * (63 - 25) + 25 * (hi / 63)));
    // Fine tune 0 is the table entry itself, not (p / 63) * 63.
    EXPECT_EQ(synths[1]->osc1.increment, NTables::pitch(48));
}

// ---- step events ----

TEST_F(NBassSynthTest, GateOffReleasesButSlideGlidesOn)
{
    loadSong(patternSong({note(0), rest(), withSlide(note(2)), rest(), note(7)}));
    seq.start();
    seq.tick();
    EXPECT_EQ(synth().ampEnvelope.decayStep, 220);
    takeMidi();

    runSteps(1); // the rest after a plain note: released, no MIDI
    EXPECT_EQ(synth().ampEnvelope.rate, -220);
    EXPECT_EQ(synth().ampEnvelope.decayStep, 220);
    EXPECT_TRUE(takeMidi().empty());

    runSteps(1); // a sliding note holds
    EXPECT_EQ(synth().ampEnvelope.decayStep, 0);
    std::vector<Message> sent = takeMidi();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2], (Message{144, 50, 100}));

    runSteps(1); // the rest after the slide glides to its pitch (note 0), keeps sounding, no MIDI
    EXPECT_TRUE(synth().osc1.gliding || synth().osc1.increment == NTables::pitch(48));
    EXPECT_EQ(synth().osc1.targetIncrement, NTables::pitch(48));
    EXPECT_EQ(synth().ampEnvelope.decayStep, 0);
    EXPECT_GT(synth().ampEnvelope.level, 1000000);
    EXPECT_TRUE(takeMidi().empty());

    runSteps(1); // a fresh note after the glide: jumps, new MIDI
    EXPECT_FALSE(synth().osc1.gliding);
    EXPECT_EQ(synth().osc1.increment, NTables::pitch(55));
    EXPECT_EQ(takeMidi().size(), 4u);
}

TEST_F(NBassSynthTest, GlideFromSlideStepTakesAbout64Blocks)
{
    loadSong(patternSong({withSlide(note(0)), note(12)}));
    seq.start();
    runBlocks(1 + seq.blocksPerStep); // the second step's event has just arrived
    std::uint32_t from = NTables::pitch(48);
    std::uint32_t to = NTables::pitch(60);
    EXPECT_TRUE(synth().osc1.gliding);
    EXPECT_EQ(synth().osc1.glideStep, static_cast<std::int32_t>(to - from) >> 6);
    runBlocks(66);
    EXPECT_EQ(synth().osc1.increment, to);
    EXPECT_FALSE(synth().osc1.gliding);
}

TEST_F(NBassSynthTest, RetriggerRestartsEnvelopesAtTheHalfStep)
{
    Step again = note(0);
    again.retrigger = true;
    loadSong(patternSong({again, note(0)}));
    seq.start();
    runBlocks(seq.blocksPerStep / 2); // just before the half step
    std::int32_t decayed = synth().ampEnvelope.level;
    EXPECT_EQ(synth().ampEnvelope.stage, NEnvelope::Decay);
    EXPECT_LT(decayed, 1 << 20);
    takeMidi();
    runBlocks(1);
    EXPECT_EQ(synth().ampEnvelope.stage, NEnvelope::Attack);
        // The block rendered before the half-step event decayed it by another 32 frames.
    EXPECT_EQ(synth().ampEnvelope.rate, ((1 << 20) - (decayed - 220 * 32)) / 16);
    EXPECT_EQ(synth().filterEnvelope.stage, NEnvelope::Attack);
    EXPECT_TRUE(takeMidi().empty());

    // The second step has no retrigger: its half step changes nothing.
    runBlocks(seq.blocksPerStep);
    EXPECT_EQ(synth().ampEnvelope.stage, NEnvelope::Decay);
}

TEST_F(NBassSynthTest, PatternModeLoopsAndTakesTheNextPatternAtItsEnd)
{
    NSongDescription song = patternSong({note(0), note(1), note(2), note(3)}, 4);
    song.synths[0].setStep(1, 0, note(11));
    loadSong(song);
    seq.start();
    std::vector<int> steps;
    std::vector<int> notes;
    for (int i = 0; i < 6; ++i) {
        if (i == 4)
            synth().setNextPattern(1);
        runBlocks(i == 0 ? 1 : seq.blocksPerStep);
        steps.push_back(synth().getStep());
        notes.push_back(takeMidi().at(i == 0 ? 0 : 2).data1);
    }
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 0, 1, 2}));
    EXPECT_EQ(notes, (std::vector<int>{48, 49, 50, 51, 48, 49}));
    runSteps(2); // steps 2 and 3 of pattern 0, then pattern 1
    EXPECT_EQ(synth().getCurrentPattern(), 1);
    runSteps(1);
    EXPECT_EQ(takeMidi().back().data1, 11 + 36);
}

TEST_F(NBassSynthTest, SongModeFollowsTheArrangement)
{
    NSongDescription song = patternSong({note(0), note(1), note(2), note(3)}, 4);
    song.mode = 1;
    song.synths[0].setStep(1, 0, note(11));
    song.machines[0].arrangement = {0, 1, -1};
    loadSong(song);
    seq.start();
    std::vector<int> steps;
    for (int i = 0; i < 16; ++i) {
        runBlocks(i == 0 ? 1 : seq.blocksPerStep);
        steps.push_back(synth().getStep());
    }
    EXPECT_EQ(steps, (std::vector<int>{1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0, 1, 2, 3, 0}));
    takeMidi();
    runSteps(1); // bar 1: pattern 1
    EXPECT_EQ(synth().getCurrentPattern(), 1);
    EXPECT_EQ(takeMidi().at(2), (Message{144, 59, 100}));
    runSteps(16); // bar 2 is empty: note-offs, then silence that only counts
    EXPECT_EQ(synth().getCurrentPattern(), -1);
    EXPECT_EQ(synth().getStep(), 1);
}

TEST_F(NBassSynthTest, NoPatternSilencesAndOnlyCounts)
{
    seq.start();
    seq.tick();
    takeMidi();
    synth().setPattern(-1);
    EXPECT_EQ(takeMidi(), (std::vector<Message>{{144, 48, 0}, {148, 36, 0}}));
    EXPECT_EQ(synth().ampEnvelope.rate, -220);
    EXPECT_EQ(synth().getCurrentPattern(), -1);

    synths[1]->setPattern(-1);
    synths[2]->setPattern(-1);
    takeMidi();
    for (int i = 1; i <= 3; ++i) {
        synth().onEvent(NSequencer::StepEvent);
        synth().onEvent(NSequencer::HalfStepEvent);
        EXPECT_EQ(synth().getStep(), i);
    }
    EXPECT_TRUE(takeMidi().empty());
    // The voice dies away.
    runBlocks(200);
    Block b;
    synth().render(b.data());
    EXPECT_EQ(b, Block{});
}

TEST_F(NBassSynthTest, StopReleasesAndSendsNoteOffs)
{
    seq.start();
    seq.tick();
    takeMidi();
    seq.stop();
    std::vector<Message> sent = takeMidi();
    ASSERT_EQ(sent.size(), 6u);
    EXPECT_EQ(sent[0], (Message{144, 48, 0}));
    EXPECT_EQ(sent[5], (Message{150, 36, 0}));
    EXPECT_EQ(synth().getStep(), 0);
    // Pattern mode keeps the pattern for the next start; the first step starts from silence.
    EXPECT_EQ(synth().getCurrentPattern(), 0);
    seq.start();
    seq.tick();
    EXPECT_EQ(synth().ampEnvelope.rate, (1 << 20) / 16);
}

TEST_F(NBassSynthTest, NothingGoesOutWithoutControl)
{
    services.keyState.down.clear();
    seq.start();
    runSteps(3);
    seq.stop();
    EXPECT_TRUE(takeMidi().empty());
}

// ---- sound ----

// With resonance 0, dual mode highpass adds a lowpass and its complement: the voice passes
// unchanged, which shows the mix itself.
class NBassSynthMixTest : public NBassSynthTest {
protected:
    Block renderHeld(int wave1, int wave2, int ring, int balance)
    {
        NSongDescription song = patternSong({withSlide(note(0))});
        std::vector<std::int32_t>& p = song.machines[0].patternSet;
        p[2] = 0;
        p[7] = wave1;
        p[11] = wave2;
        p[17] = ring;
        p[15] = balance;
        p[18] = 1;
        p[19] = 1;
        loadSong(song);
        seq.start();
        seq.tick();
        NEnvelope& amp = synth().ampEnvelope;
        amp.level = amp.peak = 1 << 20;
        amp.rate = 0;
        synth().osc1.phase = 0;
        synth().osc2.phase = 0;
        Block b;
        synth().render(b.data());
        return b;
    }
};

TEST_F(NBassSynthMixTest, BalanceMixesTheOscillators)
{
    Block b = renderHeld(NOscillator::Saw, NOscillator::Square, 0, 200);
    std::uint32_t inc1 = NTables::pitch(48);
    for (int i = 0; i < 32; ++i) {
        std::int32_t o = static_cast<std::int32_t>((inc1 * i) >> 16) - 32768;
        std::int32_t x = -32767; // the square's first half, an octave down
        EXPECT_EQ(b[i], ((200 * o) >> 8) + ((x * 55) >> 8)) << i;
    }
}

TEST_F(NBassSynthMixTest, RingModulationMultiplies)
{
    Block b = renderHeld(NOscillator::Saw, NOscillator::Square, 1, 200);
    std::uint32_t inc1 = NTables::pitch(48);
    for (int i = 0; i < 32; ++i) {
        std::int32_t o = static_cast<std::int32_t>((inc1 * i) >> 16) - 32768;
        EXPECT_EQ(b[i], ((o >> 2) * (-32767 >> 2)) >> 12) << i;
    }
}

TEST_F(NBassSynthTest, FilterFollowsTheEnvelopeAndCutoff)
{
    seq.start();
    seq.tick();
    Block b;
    synth().render(b.data());
    // Cutoff = curve of the filter envelope + P1 * 128 + 3200, resonance P2 * 256.
    EXPECT_EQ(synth().filter1.cutoff, 64 * 128 + 3200);
    EXPECT_EQ(synth().filter1.resonance, 64 * 256);
    std::int32_t level = synth().filterEnvelope.level;
    ASSERT_GT(level, 0);
    synth().render(b.data());
    EXPECT_EQ(synth().filter1.cutoff, (((level >> 6) * (level >> 6)) >> 12) + 64 * 128 + 3200);
}

TEST_F(NBassSynthTest, InactiveRendersSilenceButEnvelopesRun)
{
    seq.start();
    seq.tick();
    synth().active = false;
    Block b;
    b.fill(7);
    synth().render(b.data());
    EXPECT_EQ(b, Block{});
    // The 16-frame attack reaches the peak within the block.
    EXPECT_EQ(synth().ampEnvelope.level, 1 << 20);
    EXPECT_EQ(synth().ampEnvelope.stage, NEnvelope::Decay);
}

TEST_F(NBassSynthTest, ResetVoiceSilences)
{
    seq.start();
    runBlocks(10);
    synth().resetVoice();
    EXPECT_EQ(synth().ampEnvelope.level, 0);
    EXPECT_EQ(synth().filter1.level, 0);
    EXPECT_EQ(synth().filter1.band, 0);
    EXPECT_EQ(synth().ampEnvelope.attackFrames, 100);
}

// ---- song data ----

TEST_F(NBassSynthTest, SaveLoadRoundTrip)
{
    NSongDescription song = patternSong({withSlide(note(-3, 2)), note(5, -1)}, 7);
    song.synths[0].selectedPattern = 9;
    song.synths[0].bytes[31 * 104 + 103] = 0xEE;
    for (int i = 0; i < 20; ++i)
        song.machines[0].songSet[i] = 1000 + i;
    loadSong(song);
    EXPECT_EQ(std::memcmp(synth().patternBytes(), song.synths[0].bytes.data(), NBassSynth::BankBytes), 0);
    EXPECT_EQ(synth().getCurrentPattern(), 9);

    {
        ChunkFile out(dir.file("synth.bin"), false);
        out.descend(chunkTag("DATA"));
        synth().save(out);
        out.ascend();
        ASSERT_TRUE(out.finish());
    }
    NBassSynth copy(1);
    ChunkFile in(dir.file("synth.bin"), true);
    ASSERT_TRUE(in.descend(chunkTag("DATA")));
    copy.load(in);
    EXPECT_EQ(std::memcmp(copy.patternBytes(), synth().patternBytes(), NBassSynth::BankBytes), 0);
    for (int set = 0; set < 2; ++set)
        for (int i = 0; i < 20; ++i)
            EXPECT_EQ(copy.parameter(set, i), synth().parameter(set, i));
    EXPECT_EQ(copy.getCurrentPattern(), 9);
}

TEST_F(NBassSynthTest, SongWithoutDataForASynthesizerKeepsItsState)
{
    NSongDescription song = patternSong({note(4)});
    song.machines[1].hasData = false;
    song.machines[2].hasData = true;
    song.machines[2].hasParameters = false;
    loadSong(song);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(synths[1]->parameter(0, i), defaults[i]);
    EXPECT_EQ(synths[1]->patternBytes()[2], 1);
}

TEST_F(NBassSynthTest, HostileSongDataPlaysSafely)
{
    NSongDescription song = patternSong({note(127, 127), note(-128, -128)}, 1000);
    song.mode = 1;
    song.synths[0].selectedPattern = 77;
    song.synths[1].setLength(0, -5);
    song.synths[2].setLength(0, 0x7FFFFFFF);
    song.machines[0].arrangement = {0, 100, -7, 31};
    song.machines[1].arrangement = {0, 0};
    song.machines[2].arrangement = {0, 0};
    std::vector<std::int32_t>& p = song.machines[0].songSet;
    p[0] = 0x7FFFFFFF;
    p[3] = 0x7FFFFFFF;
    p[9] = -1;
    p[2] = 0x40000000;
    p[1] = -0x7FFFFFFF;
    p[4] = -1;
    loadSong(song);
    seq.start();
    runSteps(70);
    EXPECT_EQ(synths[1]->getStep(), 0); // a non-positive length replays step 0
    for (const Message& m : midi.messages) {
        EXPECT_GE(m.data1, 0);
        EXPECT_LE(m.data1, 127);
    }
    seq.setMode(0);
    EXPECT_EQ(synth().getCurrentPattern(), -1); // 77 is no pattern
    synth().setNextPattern(40);
    EXPECT_EQ(synth().nextPatternNumber(), -1);
    runSteps(20);
}

} // namespace
