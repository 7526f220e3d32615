#pragma once

#include "engine/NAutomatable.h"
#include "engine/NTime.h"

#include <cstdint>

class NFilterLanes;

// A machine that makes sound: the synthesizers and the drum machine. The mixer asks each one for a
// block of mono frames at a time.
class NMachine : public NAutomatable {
public:
    explicit NMachine(int parameterCount) : NAutomatable(parameterCount) {}

    // Writes ntime::BlockFrames frames in the nominal 16-bit range.
    virtual void render(std::int32_t* block);
    // The same render in two halves, so that the mixer can run all machines' filters side by side:
    // the first leaves the block for the filters it adds to lanes, the second finishes it after
    // the lanes have run. A machine without filters renders whole in the first.
    virtual void renderBeforeFilters(std::int32_t* block, NFilterLanes& lanes);
    virtual void renderAfterFilters(std::int32_t* block);
    // The step being played, for displays.
    virtual int getStep();
    // Everything rendering and events have changed (voices, oscillators, envelopes, filters, step
    // state) back to what a new machine has, leaving the song's data alone. Which pattern plays is
    // the transport's business: stop() resets that.
    virtual void resetRunState();

    bool active = false; // false until the machine is built; renders silence until then

protected:
    // render() of a machine that has the two halves: both, with its own filters run between.
    void renderInHalves(std::int32_t* block);
};
