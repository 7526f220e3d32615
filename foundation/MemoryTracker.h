#pragma once

// Every allocation and release in the program names its owner just before it happens, so that the
// tracker's reports can say who made a block. KESO_OWNER("NSample::create") records that label.
class MemoryTracker {
public:
    static MemoryTracker& instance();

    void setOwner(const char* sourceFile, unsigned line, const char* operation);

private:
    MemoryTracker() = default;
};

#define KESO_OWNER(operation) MemoryTracker::instance().setOwner(__FILE__, __LINE__, (operation))
