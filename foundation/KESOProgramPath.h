#pragma once

#include "foundation/KESOString.h"

// Seam: the full path of the running program's file, symbolic links resolved.
//
// Threads: any.
class KESOProgramPath {
public:
    virtual ~KESOProgramPath() = default;
    virtual String programFile() = 0;
};
