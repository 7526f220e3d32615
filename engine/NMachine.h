#pragma once

#include "engine/NAutomatable.h"
#include "engine/NTime.h"

#include <cstdint>

// A machine that makes sound: the synthesizers and the drum machine. The mixer asks each one for a
// block of mono frames at a time.
class NMachine : public NAutomatable {
public:
    explicit NMachine(int parameterCount) : NAutomatable(parameterCount) {}

    // Writes ntime::BlockFrames frames in the nominal 16-bit range.
    virtual void render(std::int32_t* block);
    // The step being played, for displays.
    virtual int getStep();
    // Everything rendering and events have changed (voices, oscillators, envelopes, filters, step
    // state) back to what a new machine has, leaving the song's data alone. Which pattern plays is
    // the transport's business: stop() resets that.
    virtual void resetRunState();

    bool active = false; // false until the machine is built; renders silence until then
};
