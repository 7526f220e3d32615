#include "audio/NMidiOut.h"

#include "foundation/KESOKeyState.h"
#include "foundation/KESOMidiPort.h"
#include "foundation/KESOServices.h"

#include <cstdint>

namespace {

constexpr int Channels = 16;
constexpr int ControlChange = 0xB0;
constexpr int AllSoundOff = 120;
constexpr int AllNotesOff = 123;
constexpr int Expression = 11;
constexpr int ChannelVolume = 7;

} // namespace

NMidiOut& NMidiOut::instance()
{
    static NMidiOut midiOut;
    return midiOut;
}

bool NMidiOut::open()
{
    close();
    KESOMidiPort* port = KESOServices::instance().midiPort;
    if (port != nullptr && port->open())
        port_ = port;
    // Silences whatever a previous session left sounding on the device.
    resetChannels();
    return isOpen();
}

void NMidiOut::resetChannels()
{
    for (int channel = 0; channel < Channels; ++channel) {
        int status = ControlChange + channel;
        send(status, AllSoundOff, 0);
        send(status, AllNotesOff, 0);
        send(status, Expression, 127);
        send(status, ChannelVolume, 127);
    }
}

void NMidiOut::send(int status, int data1, int data2)
{
    if (!isOpen() || !KESOServices::instance().isKeyDown(KESOKeyState::Control))
        return;
    std::uint32_t message = static_cast<std::uint32_t>(status) | (static_cast<std::uint32_t>(data1) << 8) |
                            (static_cast<std::uint32_t>(data2) << 16);
    port_->shortMessage(message);
}

void NMidiOut::close()
{
    if (!isOpen())
        return;
    port_->close();
    port_ = nullptr;
}
