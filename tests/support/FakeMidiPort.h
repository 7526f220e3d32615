#pragma once

#include "audio/NMidiOut.h"
#include "foundation/KESOMidiPort.h"
#include "foundation/KESOServices.h"

#include <cstdint>
#include <ostream>
#include <vector>

// Records every short message instead of playing it; the program's MIDI port for its life. On the
// way out it closes the program's MIDI output so that nothing keeps pointing at it.
class FakeMidiPort : public KESOMidiPort {
public:
    struct Message {
        int status, data1, data2;
        bool operator==(const Message&) const = default;
        friend std::ostream& operator<<(std::ostream& o, const Message& m)
        {
            return o << "{" << m.status << ", " << m.data1 << ", " << m.data2 << "}";
        }
    };

    FakeMidiPort() { KESOServices::instance().midiPort = this; }
    ~FakeMidiPort() override
    {
        NMidiOut::instance().close();
        KESOServices::instance().midiPort = nullptr;
    }

    bool open() override
    {
        ++opens;
        return accepts;
    }
    void shortMessage(std::uint32_t m) override
    {
        messages.push_back({int(m & 0xFF), int((m >> 8) & 0xFF), int((m >> 16) & 0xFF)});
    }
    void close() override { ++closes; }

    bool accepts = true; // false plays a device that refuses to open
    int opens = 0, closes = 0;
    std::vector<Message> messages;
};
