#include "engine/NMachine.h"

void NMachine::render(std::int32_t*) {}

void NMachine::resetRunState() {}

int NMachine::getStep()
{
    return 0;
}
