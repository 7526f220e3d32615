#pragma once

#include "foundation/KESOAudioDevice.h"

#include <atomic>
#include <cstdint>

// A sound card that plays nothing: a test moves its play position by hand and sees what the
// program asked of it.
class FakeAudioDevice : public KESOAudioDevice {
public:
    bool open() override
    {
        ++opens;
        isOpen = canOpen;
        return canOpen;
    }
    bool play(const std::int16_t* b, int f) override
    {
        buffer = b;
        frames = f;
        playing = canPlay;
        return canPlay;
    }
    std::uint32_t position() override { return played.load(); }
    void reset() override { playing = false; }
    void close() override
    {
        playing = false;
        isOpen = false;
        ++closes;
    }

    bool canOpen = true; // false plays a card that cannot be opened
    bool canPlay = true; // false, one that opens but will not start
    std::atomic<std::uint32_t> played{0};
    const std::int16_t* buffer = nullptr;
    int frames = 0;
    bool isOpen = false;
    bool playing = false;
    int opens = 0, closes = 0;
};
