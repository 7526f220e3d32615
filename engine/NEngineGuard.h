#pragma once

#include <mutex>

// Holds the engine lock for as long as it lives. The playback thread holds one while it renders a
// segment; the GUI thread holds one around each song command (NSongCommands) and while it reads
// the song to draw it. Never held across file I/O, dialogs, message boxes or sleeps, and never
// taken inside the engine's own operations: the render calls those with the lock already held.
class NEngineGuard {
public:
    NEngineGuard();
    NEngineGuard(const NEngineGuard&) = delete;
    NEngineGuard& operator=(const NEngineGuard&) = delete;

private:
    std::lock_guard<std::mutex> hold;
};
