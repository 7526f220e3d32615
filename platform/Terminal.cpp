#include "platform/Terminal.h"

#include <unistd.h>

bool Terminal::errorIsTerminal()
{
    return ::isatty(STDERR_FILENO) == 1;
}
