#pragma once

class KESOMidiPort;

// Mirrors the engine's notes to the MIDI port. A message goes out only while the Control key is
// held, so the user decides when the external device plays along.
class NMidiOut {
public:
    static NMidiOut& instance();

    NMidiOut() = default;
    NMidiOut(const NMidiOut&) = delete;
    NMidiOut& operator=(const NMidiOut&) = delete;

    // Opens the installed MIDI port (closing any open one first), then sends the channel reset.
    // False when no port could be opened; every later send then does nothing.
    bool open();
    // Sends status | data1 << 8 | data2 << 16 if the port is open and Control is held.
    void send(int status, int data1, int data2);
    void close();

    bool isOpen() const { return port_ != nullptr; }

private:
    void resetChannels();

    KESOMidiPort* port_ = nullptr; // the port open() opened, null while closed
};
