#pragma once

#include "foundation/KESOAudioDevice.h"

#include <atomic>
#include <cstdint>

// The sound card through SDL2: 44100 Hz, 16-bit stereo exactly, SDL converting for the hardware
// if need be. SDL's audio thread calls back for about 1024 frames at a time; the callback copies
// them out of the caller's looping ring and counts them. SDL2 has no play-position call, so that
// count is the position: it runs one callback buffer ahead of what is heard, which only keeps the
// refill further from the frames being read. The callback never takes the engine lock and never
// waits on the caller.
class SdlAudioDevice : public KESOAudioDevice {
public:
    static constexpr int CallbackFrames = 1024;

    SdlAudioDevice() = default;
    ~SdlAudioDevice() override;
    SdlAudioDevice(const SdlAudioDevice&) = delete;
    SdlAudioDevice& operator=(const SdlAudioDevice&) = delete;

    // Starts SDL's audio subsystem itself (SDL_AUDIODRIVER picks the driver) and stops it on close.
    bool open() override;
    bool play(const std::int16_t* buffer, int frames) override;
    std::uint32_t position() override;
    void reset() override;
    void close() override;

private:
    static void callback(void* self, std::uint8_t* stream, int bytes);
    void copyOut(std::int16_t* out, int frames);

    std::uint32_t device_ = 0; // SDL's device id, 0 while closed
    // The ring, changed only while the callback is locked out.
    const std::int16_t* ring_ = nullptr;
    int ringFrames_ = 0;
    int readFrame_ = 0; // the callback's own: where the next copy starts
    // Frames copied since play. Only read-modify-writes touch it while playing, so each one also
    // hands over the writes made before it: the caller's fresh segments to the callback, and the
    // callback's finished reads to the caller.
    std::atomic<std::uint32_t> consumed_{0};
};
