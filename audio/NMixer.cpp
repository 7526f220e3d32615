#include "audio/NMixer.h"

#include "audio/NFilterLanes.h"
#include "audio/NWavHeader.h"
#include "engine/NMachine.h"
#include "engine/NSequencer.h"
#include "engine/NSongLayout.h"
#include "engine/NWrap32.h"
#include "foundation/ChunkFile.h"
#include "foundation/KESOKeyState.h"
#include "foundation/KESOServices.h"
#include "foundation/KESOString.h"
#include "foundation/LittleEndian.h"
#include "foundation/MemoryTracker.h"

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

namespace {

constexpr int Channels = 2;
constexpr int BytesPerFrame = 4;
// Chunk offsets are 32-bit signed: the data, whole frames after the header, must end before 2 GiB.
constexpr std::int64_t HeaderRoom = 64;
constexpr std::int64_t MaxDataBytes = (INT_MAX - HeaderRoom) / BytesPerFrame * BytesPerFrame;
constexpr std::int32_t PanCentre = 128;

// A pan parameter (0..255, PanCentre in the middle) as -256..+254.
std::int32_t panPosition(std::int32_t parameter)
{
    return wrap32::sub(wrap32::mul(parameter, 2), 2 * PanCentre);
}

// Gains in 256ths: the side away from the pan is turned down, the other stays at 255.
void panGains(std::int32_t p, std::int32_t& left, std::int32_t& right)
{
    left = p > 0 ? wrap32::sub(255, p) : 255;
    right = p < 0 ? wrap32::add(255, p) : 255;
}

} // namespace

NMixer::NMixer()
    : NAutomatable(ParameterCount),
      reverbLeft(NReverb::LeftLengths, NReverb::LeftDecay, NReverb::LeftDamping),
      reverbRight(NReverb::RightLengths, NReverb::RightDecay, NReverb::RightDamping)
{
}

NMixer::~NMixer() = default;

void NMixer::addMachine(NMachine* m)
{
    if (m == nullptr || machineCount >= MaxMachines)
        return;
    machines[machineCount++] = m;
}

void NMixer::clearMachines()
{
    for (NMachine*& m : machines)
        m = nullptr;
    machineCount = 0;
}

void NMixer::render(std::int16_t* out, int frames, int, int, int)
{
    const std::int32_t dp = beginRender();
    if (frames < ntime::BlockFrames)
        return;
    renderBlocks(dp, out, frames / ntime::BlockFrames);
}

std::int32_t NMixer::beginRender()
{
    NSequencer& sequencer = NSequencer::instance();
    const std::int32_t* p = parameterSets[sequencer.mode];
    delay.feedback = p[DelayFeedback];
    delay.setLength(wrap32::mul(p[DelaySteps], sequencer.samplesPerStep) / ntime::BlockFrames);
    sequencer.setSwing(p[Swing]);
    sequencer.setTempo(p[Tempo]);
    return panPosition(p[DelayPan]);
}

void NMixer::renderBlocks(std::int32_t dp, std::int16_t* out, int blocks)
{
    NSequencer& sequencer = NSequencer::instance();
    // Automation applied by the ticks below writes this same set, so later blocks see it.
    const std::int32_t* p = parameterSets[sequencer.mode];
    for (int b = 0; b < blocks; ++b) {
        renderBlock(p, dp, out + b * ntime::BlockFrames * Channels);
        sequencer.tick(); // events of this tick sound from the next block on
    }
}

// The machines render in two halves around their filters, which run side by side; the halves keep
// the machines' order, so the noise they share is drawn as in a whole render of each in turn.
void NMixer::renderBlock(const std::int32_t* p, std::int32_t dp, std::int16_t* out)
{
    std::int32_t x[MaxMachines][ntime::BlockFrames];
    NFilterLanes lanes;
    for (int m = 0; m < machineCount; ++m)
        if (audible(p, m))
            machines[m]->renderBeforeFilters(x[m], lanes);
    lanes.run();
    NMixBuses::Buses buses;
    for (int m = 0; m < machineCount; ++m) {
        if (audible(p, m)) {
            machines[m]->renderAfterFilters(x[m]);
            mixMachine(p, m, x[m], buses);
        }
    }
    addEffectReturns(p, dp, buses);
    NMixBuses::toSamples(buses, out);
}

// A silent machine is not rendered at all: its voices wait.
bool NMixer::audible(const std::int32_t* p, int m)
{
    return p[ParametersPerMachine * m + Volume] != 0;
}

void NMixer::mixMachine(const std::int32_t* p, int m, std::int32_t* x, NMixBuses::Buses& buses)
{
    if (routedMachine >= 0 && m != routedMachine)
        return; // rendered all the same, so that it takes its share of the noise as in the mix
    const std::int32_t* mp = p + ParametersPerMachine * m;
    const std::int32_t volume = mp[Volume];
    if (mp[DistortionOn] != 0)
        NMixBuses::distort(x, mp[Drive], mp[Fold]);
    NMixBuses::Gains gains;
    panGains(panPosition(mp[Pan]), gains.left, gains.right);
    gains.left = wrap32::mul(gains.left, volume) >> 8;
    gains.right = wrap32::mul(gains.right, volume) >> 8;
    gains.delay = wrap32::mul(volume, mp[DelaySend]) >> 8;
    gains.reverb = p[ReverbLevel] != 0 ? wrap32::mul(volume, mp[ReverbSend]) >> 8 : 0;
    NMixBuses::addMachine(buses, x, gains);
}

void NMixer::addEffectReturns(const std::int32_t* p, std::int32_t dp, NMixBuses::Buses& buses)
{
    delay.process(buses.delay);
    std::int32_t gl;
    std::int32_t gr;
    panGains(dp, gl, gr);
    NMixBuses::addReturn(buses, buses.delay, gl, buses.delay, gr);

    const std::int32_t level = p[ReverbLevel];
    if (level == 0)
        return; // both reverbs rest, keeping their tails
    if (p[ReverbMono] != 0) {
        reverbLeft.process(buses.reverb);
        NMixBuses::addReturn(buses, buses.reverb, level, buses.reverb, level);
        return;
    }
    std::int32_t x[ntime::BlockFrames];
    std::memcpy(x, buses.reverb, sizeof(x));
    NReverb::processPair(reverbLeft, buses.reverb, reverbRight, x);
    NMixBuses::addReturn(buses, buses.reverb, level, x, level);
}

std::int32_t NMixer::heldInRange(int index, std::int32_t value)
{
    return index == Swing ? std::clamp<std::int32_t>(value, 0, NSequencer::MaxSwing) : value;
}

void NMixer::setParameter(int index, int value)
{
    // A song may automate any of 64 columns; the mixer has 41.
    if (!hasParameter(index))
        return;
    value = heldInRange(index, value);
    if (index == Tempo) {
        // The tempo rules both modes and the clock at once.
        parameterSets[PatternSet][Tempo] = value;
        parameterSets[SongSet][Tempo] = value;
        NSequencer::instance().setTempo(value);
        return;
    }
    parameterSets[SongSet][index] = value;
}

void NMixer::setCurrentSetParameter(int index, int value)
{
    NAutomatable::setCurrentSetParameter(index, heldInRange(index, value));
}

void NMixer::load(ChunkFile& file)
{
    NAutomatable::load(file);
    for (std::int32_t* p : parameterSets)
        p[Swing] = heldInRange(Swing, p[Swing]);
}

void NMixer::resetDefaults()
{
    NAutomatable::resetDefaults();
    for (std::int32_t* p : parameterSets) {
        for (int m = 0; m < MaxMachines; ++m)
            p[ParametersPerMachine * m + Pan] = PanCentre;
        p[ParametersPerMachine * songlayout::DrumMachine + Volume] = 200;
        p[DelayPan] = PanCentre;
        p[DelaySteps] = 3;
        p[Tempo] = NSequencer::DefaultTempo;
    }
}

void NMixer::resetPlayback()
{
    for (int m = 0; m < machineCount; ++m)
        machines[m]->resetPlayback();
}

void NMixer::clearDelay()
{
    delay.clear();
}

void NMixer::clearReverb()
{
    reverbLeft.clear();
    reverbRight.clear();
}

void NMixer::resetRunState()
{
    for (int m = 0; m < machineCount; ++m)
        machines[m]->resetRunState();
    delay.reset();
    clearReverb();
}

namespace {

// In place, into the order the file keeps them: nothing to do on a little-endian host.
void toLittleEndian(std::int16_t* samples, int count)
{
    if constexpr (std::endian::native == std::endian::little)
        return;
    auto* bytes = reinterpret_cast<std::uint8_t*>(samples);
    for (int i = 0; i < count; ++i)
        littleendian::write16(bytes + 2 * i, static_cast<std::uint16_t>(samples[i]));
}

void showWriteFailure(const String& path, const ChunkFile& file, const String& outcome = String())
{
    String text = String(u"The .WAV export failed.\nCould not write \"") + path + String(u"\"");
    if (file.errorText().length() > 0)
        text += String(u":\n") + file.errorText();
    KESOServices::instance().showMessage(text + outcome, u"Export Failed");
}

// A write that failed half way (a full disk) leaves the file longer than its header says, or holding
// no audio at all: cut it to what the header covers, or remove it. Says which, for the message.
String tidyAfterFailedWrite(ChunkFile& file, const String& path, std::int64_t audioBytes)
{
    if (audioBytes == 0) {
        file.finish();
        return File::remove(path) ? String(u"\nThe file held no audio and was removed.") : String();
    }
    if (!file.truncateHere())
        return String();
    return String(u"\nThe file was cut to the ") + intToString(static_cast<int>(audioBytes / BytesPerFrame)) +
           String(u" frames that were written whole, which its header covers.");
}

// "3 h 22 min 54 s", "4 min 2 s", "12 s": how long frames of audio play.
String durationText(std::int64_t frames)
{
    const std::int64_t seconds = frames / ntime::SampleRate;
    String text;
    if (seconds >= 3600)
        text += intToString(static_cast<int>(seconds / 3600)) + String(u" h ");
    if (seconds >= 60)
        text += intToString(static_cast<int>(seconds / 60 % 60)) + String(u" min ");
    return text + intToString(static_cast<int>(seconds % 60)) + String(u" s");
}

// The longest step any tempo gives (1 bpm): the export's buffer holds one.
constexpr int LongestStepFrames = ntime::stepFrames(1);

std::int32_t clampToInt(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

} // namespace

// What one export is working with, passed between its stages.
struct NMixer::ExportRun {
    ChunkFile& file;
    std::int16_t* buffer;
    // Steps are counted from the start of the render: those before firstStep are rendered and
    // dropped (a seamless export's first pass), and the file ends where step endStep would begin.
    long long firstStep;
    long long endStep;
    const ExportProgress& progress;
    std::int64_t kept = 0; // bytes of audio written
    std::int64_t dropped = 0;
    int dataStart = 0; // where the first frame's bytes are in the file
    // A seamless export's first frames, kept as rendered for the fade; null otherwise.
    std::int16_t* seamHead = nullptr;
    int seamHeadFrames = 0;
};

NMixer::ExportResult NMixer::exportToWav(const String& path)
{
    return exportToWav(path, ExportOptions{});
}

NMixer::ExportResult NMixer::exportToWav(const String& path, const ExportOptions& options)
{
    exportedFrames_ = 0;
    if (!fitsInWav(options))
        return ExportResult::TooLong;
    // The file comes next: when it cannot be written, the song is left exactly as it was.
    ChunkFile file(path, false);
    if (file.failed()) {
        showWriteFailure(path, file);
        return ExportResult::Failed;
    }
    NWavHeader::begin(file, Channels);
    if (file.writeFailed()) {
        showWriteFailure(path, file, tidyAfterFailedWrite(file, path, 0));
        return ExportResult::Failed;
    }

    NSequencer& sequencer = NSequencer::instance();
    sequencer.setMode(1);
    sequencer.stop();
    const int remembered = sequencer.position;
    const long long loopSteps = startLoop(options.seamless);
    routedMachine = options.routedMachine;

    KESO_OWNER("NMixer::exportToWav");
    std::int16_t* buffer = new std::int16_t[static_cast<size_t>(LongestStepFrames) * Channels];
    std::int16_t seamHead[SeamFrames * Channels];

    ExportRun run{file, buffer, options.seamless ? loopSteps : 0, options.seamless ? 2 * loopSteps : loopSteps,
                  options.progress};
    run.dataStart = file.position();
    run.seamHead = options.seamless ? seamHead : nullptr;
    ExportResult result = renderLoop(run);
    if (result == ExportResult::Written && options.seamless)
        result = closeSeam(run);
    if (result == ExportResult::Written && options.tailFrames > 0)
        result = options.seamless && options.restart ? renderSeamlessTail(run, options, loopSteps)
                                                     : renderTail(run, options.tailFrames);
    if (result == ExportResult::Written && options.progress)
        options.progress(1.0);

    file.ascend(); // data
    file.ascend(); // RIFF
    routedMachine = -1;
    sequencer.stop();
    sequencer.loopOn = false; // it stays off afterwards
    sequencer.setPosition(remembered);
    KESO_OWNER("NMixer::exportToWav");
    delete[] buffer;
    const String outcome = file.writeFailed() ? tidyAfterFailedWrite(file, path, run.kept) : String();
    // finish() also answers for every write before it, the header's lengths included.
    if (!file.finish()) {
        showWriteFailure(path, file, outcome);
        result = ExportResult::Failed;
    }
    exportedFrames_ = run.kept / BytesPerFrame;
    return result;
}

long long NMixer::startLoop(bool looping)
{
    NSequencer& sequencer = NSequencer::instance();
    const std::int64_t barTicks = sequencer.barTicks();
    const std::int32_t startTicks = clampToInt(sequencer.loopStart * barTicks);
    const std::int64_t endTicks = sequencer.loopEnd * barTicks;
    sequencer.setPosition(startTicks);
    sequencer.loopOn = looping;
    // The first step begins at the tempo that plays, not at the one the song stored.
    sequencer.setTempo(parameterSets[SongSet][Tempo]);
    sequencer.start();
    return std::max<std::int64_t>(0, (endTicks - startTicks) / NSequencer::TicksPerStep);
}

NMixer::ExportResult NMixer::renderLoop(ExportRun& run)
{
    NSequencer& sequencer = NSequencer::instance();
    bool more = run.endStep > 0;
    while (more) {
        ExportResult result = writeLoopStep(run, more);
        if (result != ExportResult::Written)
            return result;
        if (run.progress)
            run.progress(std::min(1.0, static_cast<double>(sequencer.stepsPlayed) / static_cast<double>(run.endStep)));
    }
    return ExportResult::Written;
}

// One step of audio at the tempo that plays now. The loop ends exactly where its last step does:
// the block whose tick begins the next step is the first one past it, whatever swing or the tempo
// did to that last step.
NMixer::ExportResult NMixer::writeLoopStep(ExportRun& run, bool& more)
{
    NSequencer& sequencer = NSequencer::instance();
    const int blocks = currentStepFrames() / ntime::BlockFrames;
    if (ExportResult full = checkRoom(run, blocks); full != ExportResult::Written)
        return full;
    const std::int32_t dp = beginRender();
    int kept = blocks; // the first block kept
    int b = 0;
    for (; b < blocks; ++b) {
        const bool beginsStep = sequencer.nextTickBeginsStep();
        if (beginsStep && sequencer.stepsPlayed >= run.endStep) {
            more = false;
            break;
        }
        if (kept == blocks && sequencer.stepsPlayed - (beginsStep ? 0 : 1) >= run.firstStep)
            kept = b;
        renderBlocks(dp, run.buffer + b * ntime::BlockFrames * Channels, 1);
    }
    if (b == 0)
        return ExportResult::Written;
    run.dropped += static_cast<std::int64_t>(std::min(kept, b)) * ntime::BlockFrames * BytesPerFrame;
    std::int16_t* frames = run.buffer + kept * ntime::BlockFrames * Channels;
    const int count = std::max(0, b - kept) * ntime::BlockFrames;
    keepSeamHead(run, frames, count);
    return keepFrames(run, frames, count);
}

void NMixer::keepSeamHead(ExportRun& run, const std::int16_t* frames, int count)
{
    if (run.seamHead == nullptr)
        return;
    const int take = std::min(count, SeamFrames - run.seamHeadFrames);
    if (take <= 0)
        return;
    std::copy_n(frames, take * Channels, run.seamHead + run.seamHeadFrames * Channels);
    run.seamHeadFrames += take;
}

// The loop has just ended where its third pass begins. The third pass's first frames are what
// follows the file's last frame, so the file's start fades from them into the second pass's own:
// out[i] = (third[i] * (256 - i) + second[i] * i) >> 8, over the second pass's length at most.
NMixer::ExportResult NMixer::closeSeam(ExportRun& run)
{
    const int frames = run.seamHeadFrames;
    if (frames == 0)
        return ExportResult::Written;
    renderBlocks(beginRender(), run.buffer, (frames + ntime::BlockFrames - 1) / ntime::BlockFrames);
    for (int k = 0; k < frames * Channels; ++k) {
        const std::int32_t i = k / Channels;
        run.buffer[k] = static_cast<std::int16_t>((run.buffer[k] * (SeamFrames - i) + run.seamHead[k] * i) >> 8);
    }
    toLittleEndian(run.buffer, frames * Channels);
    const int end = run.file.position();
    run.file.seek(run.dataStart);
    run.file.writeBytes(run.buffer, frames * BytesPerFrame);
    const bool failed = run.file.writeFailed();
    run.file.seek(end);
    return failed ? ExportResult::Failed : ExportResult::Written;
}

// The fade rendered frames of the third pass that a tail must not hear: the loop is rendered
// once more from the export's start, kept nowhere, and the tail rings on from its second pass.
NMixer::ExportResult NMixer::renderSeamlessTail(ExportRun& run, const ExportOptions& options, long long loopSteps)
{
    NSequencer& sequencer = NSequencer::instance();
    options.restart();
    sequencer.setMode(1);
    sequencer.stop();
    startLoop(true);
    const ExportProgress none;
    ExportRun again{run.file, run.buffer, LLONG_MAX, 0, none};
    for (long long pass = 1; pass <= 2; ++pass) {
        // Each pass fits in a file, so each is held to that measure of its own.
        again.endStep = pass * loopSteps;
        again.dropped = 0;
        if (ExportResult result = renderLoop(again); result != ExportResult::Written)
            return result;
    }
    return renderTail(run, options.tailFrames);
}

NMixer::ExportResult NMixer::renderTail(ExportRun& run, int frames)
{
    // Stopped, the machines fall silent and only what rings in the effects goes on.
    NSequencer::instance().stop();
    std::int64_t left = ntime::roundUpToBlocks(static_cast<std::int64_t>(frames));
    while (left > 0) {
        const int part = static_cast<int>(std::min<std::int64_t>(left, currentStepFrames()));
        const int blocks = part / ntime::BlockFrames;
        if (ExportResult full = checkRoom(run, blocks); full != ExportResult::Written)
            return full;
        renderBlocks(beginRender(), run.buffer, blocks);
        if (ExportResult result = keepFrames(run, run.buffer, part); result != ExportResult::Written)
            return result;
        left -= part;
    }
    return ExportResult::Written;
}

bool NMixer::fitsInWav(const ExportOptions& options) const
{
    const NSequencer& sequencer = NSequencer::instance();
    const std::int64_t bars = std::max(0, sequencer.loopEnd - sequencer.loopStart);
    int tempo = parameterSets[SongSet][Tempo];
    const std::int64_t stepFrames = ntime::stepFrames(tempo > 0 ? tempo : NSequencer::DefaultTempo);
    const std::int64_t loopBytes = bars * sequencer.stepsPerBar * stepFrames * BytesPerFrame;
    const std::int64_t tailBytes = ntime::roundUpToBlocks(static_cast<std::int64_t>(std::max(0, options.tailFrames))) *
                                   BytesPerFrame;
    if (loopBytes + tailBytes <= MaxDataBytes)
        return true;
    String text = String(u"The .WAV export was not started: the loop would last ") +
                  durationText(loopBytes / BytesPerFrame) + String(u" (") + intToString(static_cast<int>(bars)) +
                  String(u" bars at ") + intToString(tempo > 0 ? tempo : NSequencer::DefaultTempo) +
                  String(u" bpm)") + (tailBytes > 0 ? String(u" before its tail") : String()) +
                  String(u", and a .WAV file holds at most ") + durationText(MaxDataBytes / BytesPerFrame) +
                  String(u".");
    KESOServices::instance().showMessage(text, u"Export Failed");
    return false;
}

NMixer::ExportResult NMixer::checkRoom(const ExportRun& run, int blocks)
{
    const std::int64_t bytes = static_cast<std::int64_t>(blocks) * ntime::BlockFrames * BytesPerFrame;
    if (run.kept + bytes <= MaxDataBytes && run.dropped + bytes <= MaxDataBytes)
        return ExportResult::Written;
    KESOServices::instance().showMessage(
        String(u"The .WAV export stopped: the tempo slowed the loop down beyond what a .WAV file holds (") +
            durationText(MaxDataBytes / BytesPerFrame) + String(u"). The file keeps what was written."),
        u"Export Failed");
    return ExportResult::TooLong;
}

// Writes frames rendered into the buffer, then answers Escape.
NMixer::ExportResult NMixer::keepFrames(ExportRun& run, std::int16_t* frames, int count)
{
    const int bytes = count * BytesPerFrame;
    if (bytes > 0) {
        toLittleEndian(frames, count * Channels);
        const int before = run.file.position();
        run.file.writeBytes(frames, bytes);
        if (run.file.writeFailed()) {
            // Whatever part of this step reached the disk is left out of the header's lengths.
            run.file.seek(before);
            return ExportResult::Failed;
        }
        run.kept += bytes;
    }
    if (KESOServices::instance().isKeyDown(KESOKeyState::Escape)) {
        KESOServices::instance().showMessage(u"The .WAV export was aborted.", u"Aborted");
        return ExportResult::Aborted;
    }
    return ExportResult::Written;
}

int NMixer::currentStepFrames()
{
    return std::max(ntime::roundDownToBlocks(NSequencer::instance().samplesPerStep), ntime::BlockFrames);
}
