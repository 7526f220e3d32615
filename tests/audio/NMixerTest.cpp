#include "audio/NMixer.h"

#include "engine/NMachine.h"
#include "engine/NSequencer.h"
#include "foundation/KESOKeyState.h"
#include "tests/support/FakeServices.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavReader.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <vector>

namespace {

// Renders the same value into every frame; counts what the mixer and the sequencer ask of it.
class ConstantMachine : public NMachine {
public:
    explicit ConstantMachine(std::int32_t v = 0) : NMachine(20), value(v) {}
    void render(std::int32_t* block) override
    {
        ++renders;
        for (int k = 0; k < BlockFrames; ++k)
            block[k] = value;
    }
    void onEvent(int kind) override { steps += kind == NSequencer::StepEvent; }
    void resetPlayback() override { ++resets; }

    std::int32_t value;
    int renders = 0;
    int steps = 0;
    int resets = 0;
};

// Sounds once: `value` in the first frame it renders, silence afterwards.
class ImpulseMachine : public NMachine {
public:
    explicit ImpulseMachine(std::int32_t v) : NMachine(20), value(v) {}
    void render(std::int32_t* block) override
    {
        for (int k = 0; k < BlockFrames; ++k)
            block[k] = 0;
        block[0] = fired ? 0 : value;
        fired = true;
    }
    std::int32_t value;
    bool fired = false;
};

void resetSequencer()
{
    NSequencer& sequencer = NSequencer::instance();
    sequencer.resetDefaults();
    for (NSeqTrack& track : sequencer.tracks) {
        track.clear();
        track.machine = nullptr;
    }
}

class NMixerTest : public ::testing::Test {
protected:
    NMixerTest() { resetSequencer(); }
    ~NMixerTest() override { resetSequencer(); }

    // Writes both parameter sets (the sequencer is in pattern mode until an export switches it).
    void set(int index, int value)
    {
        mixer.setParameter(index, value);
        mixer.setCurrentSetParameter(index, value);
    }
    void setMachine(int m, int offset, int value) { set(8 * m + offset, value); }

    // One audible machine at full volume (256: gains pass unchanged), centred.
    void useOne(NMachine& machine)
    {
        mixer.addMachine(&machine);
        setMachine(0, NMixer::Volume, 256);
        setMachine(0, NMixer::Pan, 128);
    }

    std::vector<std::int16_t> render(int frames)
    {
        std::vector<std::int16_t> out(2 * static_cast<size_t>(frames) + 8, 0x5555);
        mixer.render(out.data(), frames);
        return out;
    }

    NSequencer& sequencer = NSequencer::instance();
    FakeServices services;
    NMixer mixer;
};

// -- The mix arithmetic ------------------------------------------------------------------------------

TEST_F(NMixerTest, CentredMachineAtFullVolumeReachesBothSidesAtAboutAQuarter)
{
    ConstantMachine machine(10000);
    mixer.addMachine(&machine);
    setMachine(0, NMixer::Volume, 255);
    setMachine(0, NMixer::Pan, 128);
    std::vector<std::int16_t> out = render(32);
    // (10000 * ((255 * 255) >> 8)) >> 8 = 9921 on each side, then (9921 * 255) >> 10.
    EXPECT_EQ(out[0], 2470);
    EXPECT_EQ(out[1], 2470);
    EXPECT_EQ(out[62], 2470);
    EXPECT_EQ(out[63], 2470);
}

TEST_F(NMixerTest, PanExtremesLeaveATrickleOnTheFarSide)
{
    ConstantMachine machine(30000);
    useOne(machine);

    setMachine(0, NMixer::Pan, 255); // left gain 1, right gain 255
    std::vector<std::int16_t> right = render(32);
    EXPECT_EQ(right[0], 29);   // ((30000 * 1) >> 8) * 255 >> 10
    EXPECT_EQ(right[1], 7441); // ((30000 * 255) >> 8) * 255 >> 10

    setMachine(0, NMixer::Pan, 0); // left gain 255, right gain -1: a tiny inverted copy
    std::vector<std::int16_t> left = render(32);
    EXPECT_EQ(left[0], 7441);
    EXPECT_EQ(left[1], -30);   // (-30000 >> 8) = -118, then (-118 * 255) >> 10
}

TEST_F(NMixerTest, OutputSaturatesToSixteenBits)
{
    // (140550 * 255) >> 8 = 140000 on each side; 140000 converts to 34863.
    ConstantMachine loud(140550);
    useOne(loud);
    std::vector<std::int16_t> out = render(32);
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], 32767);

    loud.value = -140550;
    out = render(32);
    EXPECT_EQ(out[0], -32768);
    EXPECT_EQ(out[1], -32768);

    loud.value = 131586; // just inside: (131586 * 255) >> 8 = 131071, which converts to 32639
    out = render(32);
    EXPECT_EQ(out[0], 32639);
}

TEST_F(NMixerTest, MachinesAddUp)
{
    ConstantMachine a(1000);
    ConstantMachine b(-3000);
    mixer.addMachine(&a);
    mixer.addMachine(&b);
    setMachine(0, NMixer::Volume, 256);
    setMachine(0, NMixer::Pan, 128);
    setMachine(1, NMixer::Volume, 256);
    setMachine(1, NMixer::Pan, 255);
    std::vector<std::int16_t> out = render(32);
    // Left: 996 + (-3000 >> 8 = -12) = 984; right: 996 - 2989 = -1993.
    EXPECT_EQ(out[0], (984 * 255) >> 10);
    EXPECT_EQ(out[1], (-1993 * 255) >> 10);
}

TEST(NMixerDistortion, ClipsOrFoldsTheExcessOfBothSigns)
{
    std::int32_t block[NMixer::BlockFrames] = {20000, -20000, 100, 0};
    NMixer::distort(block, 0, 0);
    EXPECT_EQ(block[0], 16384); // 20000 * 127 >> 6 = 39687, clipped to 32768, halved
    EXPECT_EQ(block[1], -16384);
    EXPECT_EQ(block[2], 99);    // drive 0 is still a gain of 127/128
    EXPECT_EQ(block[3], 0);

    std::int32_t folded[NMixer::BlockFrames] = {20000, -20000};
    NMixer::distort(folded, 0, 255);
    EXPECT_EQ(folded[0], 12938); // 32768 - ((6919 * 255) >> 8) = 25877, halved
    EXPECT_EQ(folded[1], -12938);

    std::int32_t driven[NMixer::BlockFrames] = {1000};
    NMixer::distort(driven, 128, 0);
    EXPECT_EQ(driven[0], (1000 * 255 >> 6) >> 1);
}

TEST_F(NMixerTest, DistortionOnlyWhenSwitchedOn)
{
    ConstantMachine machine(20000);
    useOne(machine);
    setMachine(0, NMixer::Drive, 0);
    EXPECT_EQ(render(32)[0], (((20000 * 255) >> 8) * 255) >> 10);
    setMachine(0, NMixer::DistortionOn, 1);
    EXPECT_EQ(render(32)[0], (((16384 * 255) >> 8) * 255) >> 10);
}

// -- Blocks, ticks and the machines' lives --------------------------------------------------------------

TEST_F(NMixerTest, RendersWholeBlocksAndTicksOncePerBlock)
{
    ConstantMachine machine(1000);
    useOne(machine);
    sequencer.addMachine(&machine);
    sequencer.start();
    std::vector<std::int16_t> out = render(100);
    EXPECT_EQ(machine.renders, 3);
    EXPECT_EQ(machine.steps, 1);          // the first tick begins a step
    EXPECT_EQ(sequencer.blockCounter, 3); // and two more blocks of it passed
    EXPECT_EQ(out[191], 248);             // last value of frame 95
    for (size_t i = 192; i < out.size(); ++i)
        EXPECT_EQ(out[i], 0x5555) << i; // frames 96 to 99 untouched
}

TEST_F(NMixerTest, FewerThanABlockWritesNothingAndDoesNotTick)
{
    ConstantMachine machine(1000);
    useOne(machine);
    sequencer.addMachine(&machine);
    sequencer.start();
    std::vector<std::int16_t> out = render(31);
    EXPECT_EQ(machine.renders, 0);
    EXPECT_EQ(machine.steps, 0);
    EXPECT_EQ(out[0], 0x5555);
}

TEST_F(NMixerTest, SilentMachineIsNotRenderedButTheClockRuns)
{
    ConstantMachine quiet(1000);
    mixer.addMachine(&quiet);
    sequencer.addMachine(&quiet);
    sequencer.start();
    std::vector<std::int16_t> out = render(64);
    EXPECT_EQ(quiet.renders, 0);
    EXPECT_EQ(quiet.steps, 1);
    EXPECT_EQ(out[0], 0);
}

TEST_F(NMixerTest, ResetPlaybackResetsEveryMachineInTheList)
{
    ConstantMachine a;
    ConstantMachine b;
    mixer.addMachine(&a);
    mixer.addMachine(&b);
    mixer.resetPlayback();
    EXPECT_EQ(a.resets, 1);
    EXPECT_EQ(b.resets, 1);
}

// -- Parameters ------------------------------------------------------------------------------------------

TEST_F(NMixerTest, DefaultsFillBothSets)
{
    set(5, 9);
    mixer.resetDefaults();
    std::vector<int> expected(NMixer::ParameterCount, 0);
    for (int m = 0; m < 4; ++m)
        expected[8 * m + NMixer::Pan] = 128;
    expected[24] = 200; // the drum machine's volume
    expected[NMixer::DelayPan] = 128;
    expected[NMixer::DelaySteps] = 3;
    expected[NMixer::Tempo] = 120;
    for (int set = 0; set < 2; ++set)
        for (int i = 0; i < NMixer::ParameterCount; ++i)
            EXPECT_EQ(mixer.parameter(set, i), expected[i]) << set << " " << i;
}

TEST_F(NMixerTest, TempoParameterRulesBothSetsAndTheClockAtOnce)
{
    mixer.setParameter(NMixer::Tempo, 140);
    EXPECT_EQ(mixer.parameter(NAutomatable::PatternSet, NMixer::Tempo), 140);
    EXPECT_EQ(mixer.parameter(NAutomatable::SongSet, NMixer::Tempo), 140);
    EXPECT_EQ(sequencer.samplesPerStep, 4704);
    EXPECT_EQ(sequencer.blocksPerStep, 147);

    mixer.setParameter(NMixer::Swing, 50); // any other index: the song set only
    EXPECT_EQ(mixer.parameter(NAutomatable::PatternSet, NMixer::Swing), 0);
    EXPECT_EQ(mixer.parameter(NAutomatable::SongSet, NMixer::Swing), 50);
}

TEST_F(NMixerTest, ColumnsTheMixerLacksAreIgnored)
{
    // A song may automate any column 0..63; ASan catches a write past the 41 values.
    for (int column : {-1, 41, 63, 64})
        mixer.setParameter(column, 7);
    for (int i = 0; i < NMixer::ParameterCount; ++i)
        EXPECT_EQ(mixer.parameter(NAutomatable::SongSet, i), 0) << i;
}

TEST_F(NMixerTest, EveryRenderHandsTempoAndSwingOfTheCurrentSetToTheSequencer)
{
    mixer.setCurrentSetParameter(NMixer::Tempo, 140); // pattern mode: the pattern set
    mixer.setCurrentSetParameter(NMixer::Swing, 77);
    sequencer.setTempo(90);
    render(0);
    EXPECT_EQ(sequencer.tempo, 140);
    EXPECT_EQ(sequencer.swing, 77);
    mixer.setCurrentSetParameter(NMixer::Tempo, 0); // 0 means 120
    render(0);
    EXPECT_EQ(sequencer.samplesPerStep, 5504);
}

// -- Effects -------------------------------------------------------------------------------------------

TEST_F(NMixerTest, DelayEchoesAfterItsStepsAndPansItsReturn)
{
    ImpulseMachine machine(1000);
    useOne(machine);
    set(NMixer::Tempo, 120);
    set(NMixer::DelaySteps, 1); // 5504 frames at 120 bpm
    set(NMixer::DelayPan, 255);
    setMachine(0, NMixer::DelaySend, 256);
    std::vector<std::int16_t> out = render(6016);
    EXPECT_EQ(out[0], 248); // the dry impulse, centred
    EXPECT_EQ(out[1], 248);
    EXPECT_EQ(out[2 * 5504], 0); // the echo panned hard right: (1000 * 1) >> 8 is 3, too small
    EXPECT_EQ(out[2 * 5504 + 1], 248);
    int nonZero = 0;
    for (size_t i = 0; i < 2 * 6016; ++i)
        nonZero += out[i] != 0;
    EXPECT_EQ(nonZero, 3);
}

TEST_F(NMixerTest, ATempoChangeRebuildsTheDelayLineAndDropsItsEchoes)
{
    ImpulseMachine machine(1000);
    useOne(machine);
    set(NMixer::DelaySteps, 1);
    setMachine(0, NMixer::DelaySend, 256);
    render(2048);
    set(NMixer::Tempo, 140); // the line becomes 147 blocks long
    std::vector<std::int16_t> out = render(8192);
    for (size_t i = 0; i < 2 * 8192; ++i)
        ASSERT_EQ(out[i], 0) << i;
}

TEST_F(NMixerTest, ReverbReturnsLeftAndRightFromTheirOwnCombs)
{
    ImpulseMachine machine(16384);
    useOne(machine);
    setMachine(0, NMixer::Volume, 256);
    setMachine(0, NMixer::ReverbSend, 256);
    set(NMixer::ReverbLevel, 256);
    std::vector<std::int16_t> out = render(1728);
    const std::int16_t echo = (16384 * 255) >> 10; // the send returns unscaled at level 256
    EXPECT_EQ(out[2 * 1693], echo);     // left: first comb of the left table
    EXPECT_EQ(out[2 * 1693 + 1], 0);
    EXPECT_EQ(out[2 * 1713 + 1], echo); // right: first comb of the right table
}

TEST_F(NMixerTest, MonoReverbFeedsBothSidesFromTheLeftCombs)
{
    ImpulseMachine machine(16384);
    useOne(machine);
    setMachine(0, NMixer::ReverbSend, 256);
    set(NMixer::ReverbLevel, 256);
    set(NMixer::ReverbMono, 1);
    std::vector<std::int16_t> out = render(1728);
    EXPECT_EQ(out[2 * 1693], (16384 * 255) >> 10);
    EXPECT_EQ(out[2 * 1693 + 1], (16384 * 255) >> 10);
    EXPECT_EQ(out[2 * 1713 + 1], 0);
}

TEST_F(NMixerTest, ReverbLevelZeroIgnoresSendsAndFreezesTheTail)
{
    ImpulseMachine machine(16384);
    useOne(machine);
    setMachine(0, NMixer::ReverbSend, 256);
    set(NMixer::ReverbLevel, 256);
    render(1024); // the impulse is in the combs now
    set(NMixer::ReverbLevel, 0);
    std::vector<std::int16_t> frozen = render(4096);
    for (size_t i = 0; i < 2 * 4096; ++i)
        ASSERT_EQ(frozen[i], 0) << i;
    set(NMixer::ReverbLevel, 256);
    std::vector<std::int16_t> resumed = render(1024);
    EXPECT_EQ(resumed[2 * (1693 - 1024)], (16384 * 255) >> 10); // picks up where it stopped
}

TEST_F(NMixerTest, ClearingTheEffectsSilencesTheirTails)
{
    ImpulseMachine machine(16384);
    useOne(machine);
    set(NMixer::DelaySteps, 1);
    setMachine(0, NMixer::DelaySend, 256);
    setMachine(0, NMixer::ReverbSend, 256);
    set(NMixer::ReverbLevel, 256);
    render(1024);
    mixer.clearDelay();
    mixer.clearReverb();
    std::vector<std::int16_t> out = render(16384);
    for (size_t i = 0; i < 2 * 16384; ++i)
        ASSERT_EQ(out[i], 0) << i;
}

// -- Export ----------------------------------------------------------------------------------------------

class NMixerExportTest : public NMixerTest {
protected:
    NMixerExportTest()
    {
        // Wired as the core wires them: four sound machines, and the mixer as the fifth track.
        for (ConstantMachine& m : machines) {
            mixer.addMachine(&m);
            sequencer.addMachine(&m);
        }
        sequencer.addMachine(&mixer);
        mixer.resetDefaults();
        machines[0].value = 10000;
        setMachine(0, NMixer::Volume, 255);
        setMachine(3, NMixer::Volume, 0);
        sequencer.loopStart = 0;
        sequencer.loopEnd = 1;
    }

    NMixer::ExportResult exportTo(const std::string& name, const NMixer::ExportProgress& progress = {})
    {
        return mixer.exportToWav(dir.file(name), progress);
    }

    ConstantMachine machines[4];
    TempDir dir;
};

TEST_F(NMixerExportTest, OneBarAt120BpmIsSixteenStepsOfAudio)
{
    ASSERT_EQ(exportTo("bar.wav"), NMixer::ExportResult::Written);
    WavData wav = WavReader::read(dir.path("bar.wav"));
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.fileSize, 44u + 352256u);
    EXPECT_EQ(wav.riffLength, 352292u);
    EXPECT_EQ(wav.fmtLength, 16u);
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.sampleRate, 44100u);
    EXPECT_EQ(wav.byteRate, 176400u);
    EXPECT_EQ(wav.blockAlign, 4);
    EXPECT_EQ(wav.bitsPerSample, 16);
    EXPECT_EQ(wav.dataOffset, 44u);
    EXPECT_EQ(wav.dataLength, 352256u); // 16 writes of 5504 frames
    EXPECT_EQ(wav.left(0), 2470);
    EXPECT_EQ(wav.right(wav.frames() - 1), 2470);
    EXPECT_TRUE(services.messageBox.shown.empty());
}

TEST_F(NMixerExportTest, LeavesTheSequencerStoppedInSongModeWhereItWas)
{
    sequencer.loopOn = true;
    sequencer.position = 3 * 256;
    sequencer.loopStart = 1;
    sequencer.loopEnd = 2;
    ASSERT_EQ(exportTo("state.wav"), NMixer::ExportResult::Written);
    EXPECT_FALSE(sequencer.loopOn);
    EXPECT_FALSE(sequencer.playing);
    EXPECT_EQ(sequencer.mode, 1);
    EXPECT_EQ(sequencer.position, 3 * 256);
    // Each stop resets machine 0 twice, as track 0's machine and through the mixer: before and after.
    EXPECT_EQ(machines[0].resets, 4);
}

TEST_F(NMixerExportTest, EffectTailsCrossWriteBoundariesSampleExactly)
{
    ImpulseMachine impulse(10000);
    NMixer lone;
    lone.addMachine(&impulse);
    resetSequencer();
    sequencer.addMachine(&impulse);
    sequencer.addMachine(&lone);
    lone.resetDefaults(); // delay: 3 steps = 16512 frames
    for (int set = 0; set < 2; ++set) {
        sequencer.mode = set;
        lone.setCurrentSetParameter(NMixer::Volume, 256);
        lone.setCurrentSetParameter(NMixer::DelaySend, 256);
    }
    sequencer.mode = 0;
    sequencer.loopEnd = 1;
    ASSERT_EQ(lone.exportToWav(dir.file("tail.wav")), NMixer::ExportResult::Written);
    WavData wav = WavReader::read(dir.path("tail.wav"));
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.left(0), ((10000 * 255 >> 8) * 255) >> 10);
    EXPECT_EQ(wav.left(16512), ((10000 * 255 >> 8) * 255) >> 10);
    EXPECT_EQ(wav.left(16511), 0);
    EXPECT_EQ(wav.left(33024), 0); // no feedback: one echo
}

TEST_F(NMixerExportTest, TempoAutomatedMidLoopShortensTheSecondBar)
{
    // At bar 1 the tempo goes from 120 to 140: a step becomes 147 blocks instead of 172. The last
    // step begins at block 16 * 172 + 15 * 147 = 4957, inside the 29th write of 172 blocks.
    sequencer.tracks[4].addEvent(256, NMixer::Tempo, 140);
    sequencer.loopEnd = 2;
    ASSERT_EQ(exportTo("tempo.wav"), NMixer::ExportResult::Written);
    WavData wav = WavReader::read(dir.path("tempo.wav"));
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.dataLength, 29u * 22016u);
    EXPECT_EQ(sequencer.tempo, 120); // back at the remembered position, the base event rules again
}

TEST_F(NMixerExportTest, EmptyLoopGivesAnEmptyDataChunk)
{
    sequencer.loopStart = 2;
    sequencer.loopEnd = 2;
    ASSERT_EQ(exportTo("empty.wav"), NMixer::ExportResult::Written);
    WavData wav = WavReader::read(dir.path("empty.wav"));
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.dataLength, 0u);
    EXPECT_EQ(wav.riffLength, 36u);
}

TEST_F(NMixerExportTest, EscapeAbortsAfterTheStepInHandAndKeepsAValidFile)
{
    services.keyState.down.insert(KESOKeyState::Escape);
    ASSERT_EQ(exportTo("abort.wav"), NMixer::ExportResult::Aborted);
    ASSERT_EQ(services.messageBox.shown.size(), 1u);
    EXPECT_EQ(services.messageBox.shown[0].text, "The .WAV export was aborted.");
    EXPECT_EQ(services.messageBox.shown[0].caption, "Aborted");
    WavData wav = WavReader::read(dir.path("abort.wav"));
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.dataLength, 22016u);
    EXPECT_EQ(wav.riffLength, 22052u);
    EXPECT_FALSE(sequencer.playing);
}

TEST_F(NMixerExportTest, ProgressRisesToOneWithoutChangingTheOutput)
{
    std::vector<double> seen;
    ASSERT_EQ(exportTo("watched.wav", [&](double f) { seen.push_back(f); }), NMixer::ExportResult::Written);
    ASSERT_EQ(exportTo("plain.wav"), NMixer::ExportResult::Written);
    ASSERT_EQ(seen.size(), 17u); // after each of the 16 steps, and once at the end
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_GE(seen[i], seen[i - 1]);
    EXPECT_GT(seen.front(), 0.0);
    EXPECT_EQ(seen.back(), 1.0);
    EXPECT_EQ(dir.readBytes("watched.wav"), dir.readBytes("plain.wav"));
}

TEST_F(NMixerExportTest, AFileThatCannotBeCreatedFailsAndLeavesTheSongAlone)
{
    sequencer.mode = 0;
    sequencer.loopOn = true;
    sequencer.position = 512;
    std::string path = dir.path("missing/out.wav");
    EXPECT_EQ(mixer.exportToWav(String::fromUtf8(path)), NMixer::ExportResult::Failed);
    ASSERT_EQ(services.messageBox.shown.size(), 1u);
    const FakeMessageBox::Message& message = services.messageBox.shown[0];
    EXPECT_NE(message.text.find(path), std::string::npos) << message.text;
    EXPECT_NE(message.text.find("No such file or directory"), std::string::npos) << message.text;
    EXPECT_EQ(message.caption, "Export Failed");
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(machines[0].renders, 0);
    EXPECT_EQ(sequencer.mode, 0);
    EXPECT_TRUE(sequencer.loopOn);
    EXPECT_EQ(sequencer.position, 512);
}

TEST_F(NMixerExportTest, AFullDiskFailsAtOnce)
{
    EXPECT_EQ(mixer.exportToWav(u"/dev/full"), NMixer::ExportResult::Failed);
    ASSERT_EQ(services.messageBox.shown.size(), 1u);
    EXPECT_NE(services.messageBox.shown[0].text.find("/dev/full"), std::string::npos);
    EXPECT_NE(services.messageBox.shown[0].text.find("No space left on device"), std::string::npos);
    EXPECT_EQ(machines[0].renders, 0); // nothing rendered for a file that takes nothing
}

// Limits the size of every file this process writes, for the life of the object.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN); // a write past the limit fails instead
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }

private:
    rlimit saved_{};
    void (*previous_)(int) = nullptr;
};

TEST_F(NMixerExportTest, AWriteFailingPartWayStopsAndKeepsWhatWasWritten)
{
    NMixer::ExportResult result;
    {
        FileSizeLimit limit(100000); // the header and 4 steps fit; the 5th is cut short
        result = exportTo("full.wav");
    }
    EXPECT_EQ(result, NMixer::ExportResult::Failed);
    EXPECT_EQ(machines[0].renders, 5 * 172); // nothing rendered after the failing write
    ASSERT_EQ(services.messageBox.shown.size(), 1u);
    EXPECT_NE(services.messageBox.shown[0].text.find(dir.path("full.wav")), std::string::npos);
    EXPECT_NE(services.messageBox.shown[0].text.find("File too large"), std::string::npos)
        << services.messageBox.shown[0].text;
    WavData wav = WavReader::read(dir.path("full.wav"));
    ASSERT_TRUE(wav.valid);
    EXPECT_EQ(wav.dataLength, 4u * 22016u);
    EXPECT_EQ(wav.riffLength, 36u + 4u * 22016u);
    EXPECT_FALSE(sequencer.playing);
}

} // namespace
