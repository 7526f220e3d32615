#pragma once

#include "foundation/KESOProgramPath.h"

// The running program's file, from /proc/self/exe with symbolic links resolved.
class LinuxProgramPath : public KESOProgramPath {
public:
    String programFile() override;
};
