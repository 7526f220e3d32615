#pragma once

#include "audio/NDelay.h"
#include "audio/NMixBuses.h"
#include "audio/NReverb.h"
#include "engine/NAutomatable.h"
#include "engine/NTime.h"

#include <cstdint>
#include <functional>

class ChunkFile;
class NMachine;
class String;

// Turns the engine's machines into one stereo stream: per block of frames it renders each audible
// machine, applies its distortion, delay and reverb sends and pan, adds the effect returns, saturates
// to 16-bit stereo and then ticks the sequencer. The same render feeds the sound card and the export.
class NMixer : public NAutomatable {
public:
    static constexpr int ParameterCount = 41;
    static constexpr int MaxMachines = 4;

    // Per machine m, parameter ParametersPerMachine * m + offset.
    static constexpr int ParametersPerMachine = 8;
    static constexpr int Volume = 0;
    static constexpr int Pan = 1;
    static constexpr int DelaySend = 2;
    static constexpr int Drive = 3;
    static constexpr int Fold = 4;
    static constexpr int DistortionOn = 5;
    static constexpr int ReverbSend = 6;
    // Global parameters.
    static constexpr int DelayPan = 32;
    static constexpr int DelayFeedback = 33;
    static constexpr int DelaySteps = 34;
    static constexpr int ReverbLevel = 35;
    static constexpr int ReverbMono = 37;
    static constexpr int Tempo = 39;
    static constexpr int Swing = 40;

    // TooLong: the loop would pass the size a .WAV file can hold; refused before anything is
    // written, or stopped at the limit when the tempo slows down while it renders.
    enum class ExportResult { Written, Aborted, Failed, TooLong };
    // Told the fraction of the loop rendered so far (0 to 1) after every step written.
    using ExportProgress = std::function<void(double fraction)>;

    NMixer();
    ~NMixer() override;

    // The core hands over the machines to mix, in machine order; they stay the core's.
    void addMachine(NMachine* machine);
    // Forgets the machines, for when the core has destroyed them.
    void clearMachines();
    int getMachineCount() const { return machineCount; }
    NMachine* machine(int m) const { return machines[m]; }

    // Renders frames / ntime::BlockFrames whole blocks of interleaved 16-bit stereo into out. The
    // format arguments are always 16 bits, ntime::SampleRate, 2 channels, and are not read; they are
    // there for the audio-source interface the sound card's feed will call this through.
    void render(std::int16_t* out, int frames, int bits = 16, int rate = ntime::SampleRate, int channels = 2);

    // Two ways of rendering beyond the program's own export, for loops that go into a sampler.
    struct ExportOptions {
        // Render the loop with looping on and keep its second pass, its first frames faded in from
        // the third pass's: the tails of its end already sound at its start, and its first frame
        // follows its last as the loop's own continuation, so the file loops without a click.
        bool seamless = false;
        // Frames rendered after the loop with the song stopped, so that effect tails die out.
        int tailFrames = 0;
        // A stem: every machine renders as in the mix (the voices and the shared noise advance the
        // same way), but only this one reaches the sums and the effect sends. -1: all of them.
        int routedMachine = -1;
        // Puts the engine back as it stood when the export began. A seamless export with a tail
        // renders the loop again with it, so that the tail follows the second pass's end rather
        // than the frames of the third pass the fade took; without it the tail follows those.
        std::function<void()> restart;
        ExportProgress progress;
    };
    // Frames of a seamless loop's start faded in from the third pass.
    static constexpr int SeamFrames = 256;

    // Renders the song's loop into a 44100 Hz 16-bit stereo WAV file; Escape aborts.
    ExportResult exportToWav(const String& path);
    ExportResult exportToWav(const String& path, const ExportOptions& options);
    // Frames of audio the last export left in its file (0 when it wrote none).
    std::int64_t exportedFrames() const { return exportedFrames_; }

    // The swing is held to its range wherever it enters: a song's parameter sets, automation and
    // the screen.
    void setParameter(int index, int value) override;
    void setCurrentSetParameter(int index, int value) override;
    void load(ChunkFile& file) override;
    void resetDefaults() override;
    void resetPlayback() override;

    void clearDelay();
    void clearReverb();
    // Every machine's run-time state and both effects back to how they stand before the first
    // render: no delay line yet, empty reverbs.
    void resetRunState();

private:
    static std::int32_t heldInRange(int index, std::int32_t value);
    // What render does before its blocks: the parameters handed to the delay and the clock. Returns
    // the delay's return pan.
    std::int32_t beginRender();
    void renderBlocks(std::int32_t dp, std::int16_t* out, int blocks);
    void renderBlock(const std::int32_t* p, std::int32_t dp, std::int16_t* out);
    static bool audible(const std::int32_t* p, int m);
    void mixMachine(const std::int32_t* p, int m, std::int32_t* x, NMixBuses::Buses& buses);
    void addEffectReturns(const std::int32_t* p, std::int32_t dp, NMixBuses::Buses& buses);
    struct ExportRun;
    // The clock at the loop start with looping as asked, playing; returns the loop's steps.
    long long startLoop(bool looping);
    ExportResult renderLoop(ExportRun& run);
    ExportResult closeSeam(ExportRun& run);
    ExportResult renderSeamlessTail(ExportRun& run, const ExportOptions& options, long long loopSteps);
    ExportResult writeLoopStep(ExportRun& run, bool& more);
    ExportResult renderTail(ExportRun& run, int frames);
    // False, with the message shown, when the loop at the tempo that plays would not fit in a file.
    bool fitsInWav(const ExportOptions& options) const;
    static ExportResult checkRoom(const ExportRun& run, int blocks);
    static ExportResult keepFrames(ExportRun& run, std::int16_t* frames, int count);
    static void keepSeamHead(ExportRun& run, const std::int16_t* frames, int count);
    // Frames of the step the clock plays now: whole blocks, at least one.
    static int currentStepFrames();

    NMachine* machines[MaxMachines] = {};
    std::int32_t machineCount = 0;
    int routedMachine = -1; // during a stem's export, the one machine the sums hear
    std::int64_t exportedFrames_ = 0;
    NDelay delay;
    NReverb reverbLeft;
    NReverb reverbRight;
};
