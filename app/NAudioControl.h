#pragma once

// How a screen pauses real-time output around work that replaces or renders the song (loading,
// exporting): the application implements it, so screens do not depend on the application class.
class NAudioControl {
public:
    virtual ~NAudioControl() = default;
    // Stops the screen timer and the output; returns once the playback thread has finished.
    virtual void stopAudio() = 0;
    virtual void startAudio() = 0;
};
