#pragma once

#include "engine/NTime.h"
#include "foundation/KESOString.h"

#include <cstdint>

class ChunkFile;

// One drum sound and the single voice that plays it: signed 16-bit mono frames from a WAV file,
// held in a buffer rounded up to whole blocks so that a voice only checks for its end
// between blocks.
class NSample {
public:
    static constexpr int UnitStep = 0x10000; // the recorded rate, 16.16 fixed point
    static constexpr int KitSlots = 12;

    // The file of each drum slot when a song names no samples, looked up like any other name.
    static const char16_t* defaultKitName(int slot);

    // What the last load made of its file, for summaries of a kit.
    enum class LoadStatus {
        NotLoaded,  // no load asked yet
        Loaded,     // the file's sound is in place
        CannotOpen, // the file could not be read; the previous sound stays
        NotWave,    // no RIFF, "fmt " or "data" chunk; the previous sound stays
        Refused,    // not 16-bit mono PCM
        TooLarge,   // more than MaxDataBytes; the previous sound stays
    };

    // Ten minutes of 16-bit mono, far beyond any drum sound: a sample file may hold a little more
    // (its header and other chunks) and is refused unread beyond that.
    static constexpr std::int64_t MaxDataBytes = 10LL * 60 * ntime::SampleRate * 2;

    NSample() = default;
    NSample(const NSample&) = delete;
    NSample& operator=(const NSample&) = delete;
    virtual ~NSample();

    void destroy();
    // Replaces the sound with at least `frames` frames of silence.
    void create(int frames);
    // Names are looked up under the program's samples/ folder unless they are absolute.
    bool load(const String& sampleName);
    String getName() const { return name_; }

    void trigger(int step, int velocity);
    void stop() { playing_ = false; }
    // The voice as a new sample has it: silent, at the start, at the recorded rate.
    void resetVoice();
    // Adds the voice's next block into mix at the slot's volume (0 to 255).
    void render(std::int32_t* mix, int volume);

    bool hasSound() const { return data_ != nullptr; }
    const std::int16_t* data() const { return data_; }
    int length() const { return length_; }
    int position() const { return position_; }
    int velocity() const { return velocity_; }
    bool playing() const { return playing_; }

    LoadStatus loadStatus() const { return loadStatus_; }
    // Why the last load failed, in words (the system's reason for a file that cannot be opened);
    // empty after a successful load.
    const String& loadError() const { return loadError_; }
    // The name the last load was asked for, which differs from getName() after a failure.
    const String& requestedName() const { return requestedName_; }

private:
    // mix[k] += (in[k] * gain) >> 8 over one block.
    static void addGained(std::int32_t* mix, const std::int16_t* in, std::int32_t gain);
    bool readWave(ChunkFile& file);
    bool tooLarge(const String& path);
    bool refuse(LoadStatus status, const String& reason);

    std::int16_t* data_ = nullptr;
    std::int32_t length_ = 0;
    std::int32_t position_ = 0;
    std::int32_t step_ = UnitStep;
    std::int32_t velocity_ = 0;
    bool playing_ = false;
    String name_;

    LoadStatus loadStatus_ = LoadStatus::NotLoaded;
    String loadError_;
    String requestedName_;
};
