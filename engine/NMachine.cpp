#include "engine/NMachine.h"

#include "audio/NFilterLanes.h"

void NMachine::render(std::int32_t*) {}

void NMachine::renderBeforeFilters(std::int32_t* block, NFilterLanes&)
{
    render(block);
}

void NMachine::renderAfterFilters(std::int32_t*) {}

void NMachine::renderInHalves(std::int32_t* block)
{
    NFilterLanes lanes;
    renderBeforeFilters(block, lanes);
    lanes.run();
    renderAfterFilters(block);
}

void NMachine::resetRunState() {}

int NMachine::getStep()
{
    return 0;
}
