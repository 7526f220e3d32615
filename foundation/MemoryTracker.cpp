#include "foundation/MemoryTracker.h"

MemoryTracker& MemoryTracker::instance()
{
    static MemoryTracker tracker;
    return tracker;
}

void MemoryTracker::setOwner(const char*, unsigned, const char*)
{
}
