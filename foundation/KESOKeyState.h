#pragma once

// Seam: whether a key is held right now. Keys are Windows virtual-key codes.
class KESOKeyState {
public:
    static constexpr int Escape = 0x1B;
    static constexpr int Control = 0x11;

    virtual ~KESOKeyState() = default;
    virtual bool isKeyDown(int virtualKey) = 0;
};
