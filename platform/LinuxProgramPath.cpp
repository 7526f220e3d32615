#include "platform/LinuxProgramPath.h"

#include <climits>
#include <cstdlib>

String LinuxProgramPath::programFile()
{
    char resolved[PATH_MAX];
    if (realpath("/proc/self/exe", resolved) == nullptr)
        return String();
    return String::fromUtf8(resolved);
}
