#pragma once

#include <cstdint>

// Seam: a MIDI output port that takes three-byte short messages.
//
// Threads: the GUI thread opens and closes; the playback thread sends, so shortMessage never
// blocks for long and never allocates.
class KESOMidiPort {
public:
    virtual ~KESOMidiPort() = default;

    // False when no port could be opened.
    virtual bool open() = 0;
    // status | data1 << 8 | data2 << 16, the layout of a packed short message.
    virtual void shortMessage(std::uint32_t message) = 0;
    virtual void close() = 0;
};
