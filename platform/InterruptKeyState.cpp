#include "platform/InterruptKeyState.h"

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int)
{
    interrupted = 1;
    std::signal(SIGINT, SIG_DFL);
}

} // namespace

InterruptKeyState::InterruptKeyState()
{
    interrupted = 0;
    std::signal(SIGINT, onInterrupt);
}

InterruptKeyState::~InterruptKeyState()
{
    std::signal(SIGINT, SIG_DFL);
}

bool InterruptKeyState::isKeyDown(int virtualKey)
{
    return virtualKey == Escape && interrupted != 0;
}
