#pragma once

// Seam: whether a key is held right now. Keys are Windows virtual-key codes.
//
// Threads: any. The playback thread asks for Control inside the render (the MIDI gate), so an
// answer never blocks, never takes a lock and never pumps window events on the asking thread; a
// real implementation keeps atomic flags that its event handling updates. Asked on the GUI thread
// while that thread is busy (an export), it may first take in the events that are waiting.
class KESOKeyState {
public:
    static constexpr int Escape = 0x1B;
    static constexpr int Control = 0x11;

    virtual ~KESOKeyState() = default;
    virtual bool isKeyDown(int virtualKey) = 0;
};
