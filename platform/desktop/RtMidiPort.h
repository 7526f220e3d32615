#pragma once

#include "foundation/KESOMidiPort.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

class RtMidiOut;

// The program's MIDI output on the ALSA sequencer, through RtMidi: a virtual port named after the
// program that other programs can connect to, and a connection of its own to the first device port
// that is not ALSA's "Midi Through", when there is one. Without a usable sequencer it stays closed
// and says nothing: MIDI is an extra, never a reason to complain.
//
// Each of the two is an RtMidiOut of its own, because RtMidi gives an output object either a
// virtual port or one connection, not both. The ALSA sequencer API could subscribe the device to
// the virtual port instead, but RtMidi does not tell which sequencer address its virtual port got.
class RtMidiPort : public KESOMidiPort {
public:
    // The sequencer device is checked before RtMidi is touched at all; tests point it elsewhere.
    explicit RtMidiPort(std::string sequencerDevice = "/dev/snd/seq");
    ~RtMidiPort() override;
    RtMidiPort(const RtMidiPort&) = delete;
    RtMidiPort& operator=(const RtMidiPort&) = delete;

    // Closes what is open first. True when at least one of the two ports is open.
    bool open() override;
    // Playback thread: no allocation, no lock. Close only while nothing sends.
    void shortMessage(std::uint32_t message) override;
    void close() override;

    bool isOpen() const { return virtualPort_ != nullptr || devicePort_ != nullptr; }

    // The bytes a short message with this status takes on the wire: 3 for notes and controllers,
    // 2 for program changes and channel pressure, 1 for real-time messages, 0 for what is not a
    // short message (data bytes, system exclusive, undefined codes).
    static int messageLength(std::uint8_t status);

private:
    std::unique_ptr<RtMidiOut> createOutput();
    std::unique_ptr<RtMidiOut> openVirtualPort();
    std::unique_ptr<RtMidiOut> openDevicePort();

    std::string sequencerDevice_;
    std::unique_ptr<RtMidiOut> virtualPort_;
    std::unique_ptr<RtMidiOut> devicePort_;
    std::atomic<bool> failed_{false}; // set by RtMidi's error callback
};
