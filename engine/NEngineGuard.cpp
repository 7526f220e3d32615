#include "engine/NEngineGuard.h"

#include "engine/NVandrelCore.h"

NEngineGuard::NEngineGuard() : hold(NVandrelCore::instance().lock)
{
}
