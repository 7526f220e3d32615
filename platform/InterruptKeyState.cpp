#include "platform/InterruptKeyState.h"

#include <csignal>

namespace {

// Ctrl-C, and a request to end from elsewhere (kill, a closed terminal), stop an export cleanly.
constexpr int Signals[] = {SIGINT, SIGTERM, SIGHUP};

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int signal)
{
    interrupted = 1;
    std::signal(signal, SIG_DFL);
}

} // namespace

InterruptKeyState::InterruptKeyState()
{
    interrupted = 0;
    for (int signal : Signals)
        std::signal(signal, onInterrupt);
}

InterruptKeyState::~InterruptKeyState()
{
    for (int signal : Signals)
        std::signal(signal, SIG_DFL);
}

bool InterruptKeyState::isKeyDown(int virtualKey)
{
    return virtualKey == Escape && interrupted != 0;
}
