#include "engine/NMachine.h"

void NMachine::render(std::int32_t*) {}

int NMachine::getStep()
{
    return 0;
}
