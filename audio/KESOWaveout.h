#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

class KESOAudioDevice;
class KESOAudioSource;

// Plays an audio source in real time. The device plays one looping buffer of eight segments; a
// playback thread watches the device's play position and renders the segments ahead of it, each
// under the engine lock. The application opens it at start, closes it around every song load and
// export, and closes it at exit.
class KESOWaveout {
public:
    static constexpr int SegmentCount = 8;
    static constexpr int Bits = 16;
    static constexpr int Rate = 44100;
    static constexpr int Channels = 2;
    // The largest segment whose bytes (8 segments of 4-byte frames) still fit a 32-bit count.
    static constexpr int MaxSegmentFrames = (0x7FFFFFFF / (SegmentCount * 4)) & ~31;

    // How the playback thread idles and how close waits for it to finish. The defaults are the real
    // ones; tests put in their own so that they need no fixed sleeps.
    class Timing {
    public:
        virtual ~Timing() = default;
        // On the playback thread, when every segment ahead is full: sleeps 20 ms.
        virtual void idle();
        // On the closing thread, between two looks at whether the playback thread has finished:
        // gives the core away, since the thread is at most one sleep or one render from the end.
        virtual void waitForThread();
    };

    static KESOWaveout& instance();

    // Null timing: the real one.
    explicit KESOWaveout(Timing* timing = nullptr);
    ~KESOWaveout();
    KESOWaveout(const KESOWaveout&) = delete;
    KESOWaveout& operator=(const KESOWaveout&) = delete;

    // Opens the installed audio device, renders five segments of source into the ring, starts the
    // device looping over it and starts the playback thread. frames is rounded down to whole
    // 32-frame blocks per segment. False, with the output closed, when it is already open or the
    // device fails (each failure tells the user in a "Waveout" message box; a device that cannot
    // be opened is told once until a play succeeds, so a machine without sound is not nagged at
    // every song load). source may be null: the ring then stays silent.
    bool play(KESOAudioSource* source, int frames);
    // Stops the playback thread and waits for it, then stops and closes the device and frees the
    // ring. Does nothing while closed.
    void close();

    bool isOpen() const { return isOpen_; }
    int segmentFrames() const { return segmentFrames_; }

private:
    enum ThreadState : std::int32_t { Running = 0, StopRequested = 1, Finished = 2 };

    void run();
    void fillSegment();
    void fail(const char16_t* text);
    void release(const char* owner);

    Timing* timing_;
    KESOAudioDevice* device_ = nullptr; // the device play opened, until close
    std::thread thread_;
    // Written 1 by close and 2 by the playback thread as its last act.
    std::atomic<std::int32_t> threadState_{Finished};
    std::int32_t writeSegment_ = 0; // the next segment to fill; the playback thread's once it runs
    std::int32_t segmentFrames_ = 0;
    bool isOpen_ = false;
    bool openFailureShown_ = false;
    std::int16_t* buffer_ = nullptr; // SegmentCount * segmentFrames_ stereo frames
    KESOAudioSource* source_ = nullptr;
};
