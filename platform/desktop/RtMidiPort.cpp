#include "platform/desktop/RtMidiPort.h"

#include <RtMidi.h>
#include <alsa/asoundlib.h>

#include <iostream>
#include <unistd.h>
#include <vector>

namespace {

const char* const PortName = "Ruzi Zevivuvo";

// ALSA reports its errors on stderr by default; the port's failures are answered by open()'s result.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

void quietRtMidi(RtMidiError::Type type, const std::string&, void* userData)
{
    if (type != RtMidiError::WARNING && type != RtMidiError::DEBUG_WARNING)
        static_cast<std::atomic<bool>*>(userData)->store(true);
}

bool alsaCompiledIn()
{
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    for (RtMidi::Api api : apis) {
        if (api == RtMidi::LINUX_ALSA)
            return true;
    }
    return false;
}

// RtMidi writes a failure to std::cerr before it throws, and an object cannot take its error
// callback before it exists, so the stream is muted around the construction.
class MutedCerr {
public:
    MutedCerr() : saved_(std::cerr.rdbuf(nullptr)) {}
    ~MutedCerr() { std::cerr.rdbuf(saved_); }
    MutedCerr(const MutedCerr&) = delete;
    MutedCerr& operator=(const MutedCerr&) = delete;

private:
    std::streambuf* saved_;
};

} // namespace

RtMidiPort::RtMidiPort(std::string sequencerDevice) : sequencerDevice_(std::move(sequencerDevice)) {}

RtMidiPort::~RtMidiPort()
{
    close();
}

bool RtMidiPort::open()
{
    close();
    if (access(sequencerDevice_.c_str(), R_OK | W_OK) != 0 || !alsaCompiledIn())
        return false;
    snd_lib_error_set_handler(quietAlsa);
    virtualPort_ = openVirtualPort();
    devicePort_ = openDevicePort();
    return isOpen();
}

std::unique_ptr<RtMidiOut> RtMidiPort::createOutput()
{
    try {
        MutedCerr muted;
        auto output = std::make_unique<RtMidiOut>(RtMidi::LINUX_ALSA, PortName);
        output->setErrorCallback(quietRtMidi, &failed_);
        return output;
    } catch (...) {
        return nullptr;
    }
}

std::unique_ptr<RtMidiOut> RtMidiPort::openVirtualPort()
{
    std::unique_ptr<RtMidiOut> output = createOutput();
    if (output == nullptr)
        return nullptr;
    failed_ = false;
    try {
        output->openVirtualPort(PortName);
    } catch (...) {
        failed_ = true;
    }
    return failed_ ? nullptr : std::move(output);
}

std::unique_ptr<RtMidiOut> RtMidiPort::openDevicePort()
{
    std::unique_ptr<RtMidiOut> output = createOutput();
    if (output == nullptr)
        return nullptr;
    failed_ = false;
    try {
        // Names read "client:port client-number:port-number"; ALSA's through port only echoes.
        const unsigned int count = output->getPortCount();
        for (unsigned int port = 0; port < count && !failed_; ++port) {
            if (output->getPortName(port).find("Midi Through") != std::string::npos)
                continue;
            output->openPort(port, PortName);
            return failed_ ? nullptr : std::move(output);
        }
    } catch (...) {
    }
    return nullptr;
}

int RtMidiPort::messageLength(std::uint8_t status)
{
    if (status < 0x80)
        return 0;
    if (status < 0xC0)
        return 3; // note off, note on, key pressure, controller
    if (status < 0xE0)
        return 2; // program change, channel pressure
    if (status < 0xF0)
        return 3; // pitch bend
    switch (status) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 2;
    case 0xF2: // song position
        return 3;
    case 0xF6: // tune request
    case 0xF8: // clock
    case 0xFA: // start
    case 0xFB: // continue
    case 0xFC: // stop
    case 0xFE: // active sensing
    case 0xFF: // reset
        return 1;
    default:
        return 0; // system exclusive and the undefined codes
    }
}

void RtMidiPort::shortMessage(std::uint32_t message)
{
    // On the stack: nothing to allocate and nothing shared between the threads that send.
    // Data bytes keep to seven bits, so that none can pass for a status byte on the wire.
    const unsigned char bytes[3] = {static_cast<unsigned char>(message & 0xFF),
                                    static_cast<unsigned char>((message >> 8) & 0x7F),
                                    static_cast<unsigned char>((message >> 16) & 0x7F)};
    // Too many bytes would not be ignored: the sequencer would read the third byte of a program
    // change as a second program change in running status.
    const int length = messageLength(bytes[0]);
    if (length == 0)
        return;
    try {
        if (virtualPort_ != nullptr)
            virtualPort_->sendMessage(bytes, length);
        if (devicePort_ != nullptr)
            devicePort_->sendMessage(bytes, length);
    } catch (...) {
        // The error callback takes RtMidi's failures; nothing may escape into the playback thread.
    }
}

void RtMidiPort::close()
{
    // RtMidi closes the port and its sequencer client with the object.
    devicePort_.reset();
    virtualPort_.reset();
}
