#include "platform/desktop/SdlAudioDevice.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>

SdlAudioDevice::~SdlAudioDevice()
{
    close();
}

bool SdlAudioDevice::open()
{
    close();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    SDL_AudioSpec wanted{};
    wanted.freq = SampleRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = Channels;
    wanted.samples = CallbackFrames;
    wanted.callback = &SdlAudioDevice::callback;
    wanted.userdata = this;
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the hardware wants, the ring stays as it is.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (device_ == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

bool SdlAudioDevice::play(const std::int16_t* buffer, int frames)
{
    if (device_ == 0 || buffer == nullptr || frames <= 0)
        return false;
    SDL_LockAudioDevice(device_);
    ring_ = buffer;
    ringFrames_ = frames;
    readFrame_ = 0;
    consumed_.store(0, std::memory_order_relaxed);
    SDL_UnlockAudioDevice(device_);
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

std::uint32_t SdlAudioDevice::position()
{
    return consumed_.fetch_add(0, std::memory_order_acq_rel);
}

void SdlAudioDevice::reset()
{
    if (device_ == 0)
        return;
    SDL_PauseAudioDevice(device_, 1);
    // A callback that was running has finished once the lock is ours, and a paused device calls
    // none: the ring is not read any more.
    SDL_LockAudioDevice(device_);
    ring_ = nullptr;
    ringFrames_ = 0;
    SDL_UnlockAudioDevice(device_);
}

void SdlAudioDevice::close()
{
    if (device_ == 0)
        return;
    SDL_CloseAudioDevice(device_); // waits for SDL's audio thread
    device_ = 0;
    ring_ = nullptr;
    ringFrames_ = 0;
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

void SdlAudioDevice::callback(void* self, std::uint8_t* stream, int bytes)
{
    static_cast<SdlAudioDevice*>(self)->copyOut(reinterpret_cast<std::int16_t*>(stream), bytes / 4);
}

void SdlAudioDevice::copyOut(std::int16_t* out, int frames)
{
    if (ring_ == nullptr) {
        std::memset(out, 0, static_cast<std::size_t>(frames) * 4);
        return;
    }
    static_cast<void>(consumed_.load(std::memory_order_acquire)); // the segments written so far
    int at = readFrame_;
    for (int left = frames; left > 0;) {
        // Up to the ring's end at most; a callback buffer may wrap more than once on a short ring.
        const int run = std::min(left, ringFrames_ - at);
        std::memcpy(out, ring_ + static_cast<std::ptrdiff_t>(at) * 2, static_cast<std::size_t>(run) * 4);
        out += run * 2;
        left -= run;
        at += run;
        if (at == ringFrames_)
            at = 0;
    }
    readFrame_ = at;
    consumed_.fetch_add(static_cast<std::uint32_t>(frames), std::memory_order_acq_rel);
}
