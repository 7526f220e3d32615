#pragma once

#include <cstdint>

// Seam: the sound card, playing one looping buffer of 44100 Hz 16-bit stereo frames. The caller
// keeps writing into the buffer ahead of the play position, which is how real-time output works.
//
// Threads: the GUI thread opens, plays, resets and closes; the playback thread asks for the
// position. The real device reads the buffer on a thread of its own, which never takes the engine
// lock and never waits on the caller.
class KESOAudioDevice {
public:
    static constexpr int SampleRate = 44100;
    static constexpr int Channels = 2;

    virtual ~KESOAudioDevice() = default;

    // Opens the default output for 44100 Hz 16-bit stereo. False when there is none.
    virtual bool open() = 0;
    // Starts playing frames * 2 interleaved samples from buffer, from its first frame, over and
    // over. The buffer stays the caller's and must live until reset() or close() has returned.
    // False when playing cannot start.
    virtual bool play(const std::int16_t* buffer, int frames) = 0;
    // Frames played since play() began, counting on past the end of the buffer and wrapping at
    // 2^32. Never blocks for long.
    virtual std::uint32_t position() = 0;
    // Stops playing at once; the buffer is not read any more when this returns.
    virtual void reset() = 0;
    // Stops playing and releases the device; harmless when it is not open.
    virtual void close() = 0;
};
