#include "tests/support/XvfbServer.h"

#include <csignal>
#include <fcntl.h>
#include <cstdlib>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Xvfb writes its display number and a newline to the descriptor once it accepts clients.
std::string readDisplayNumber(int fd)
{
    std::string number;
    pollfd wait = {fd, POLLIN, 0};
    while (poll(&wait, 1, 10000) > 0) {
        char c;
        if (read(fd, &c, 1) != 1 || c == '\n')
            break;
        number += c;
    }
    return number;
}

} // namespace

XvfbServer::XvfbServer()
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0) {
        why_ = "no pipe for Xvfb";
        return;
    }
    const pid_t parent = getpid();
    pid_t child = fork();
    if (child == 0) {
        // A test that stops the process at once (a dialog that never shows) leaves no server behind.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent)
            _exit(127);
        close(pipeFds[0]);
        const int quiet = open("/dev/null", O_WRONLY); // its start-up chatter is not the test's
        dup2(quiet, 1);
        dup2(quiet, 2);
        const std::string fd = std::to_string(pipeFds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    const std::string number = child > 0 ? readDisplayNumber(pipeFds[0]) : std::string();
    close(pipeFds[0]);
    if (number.empty()) {
        why_ = "Xvfb could not be started (is the xvfb package installed?)";
        if (child > 0) {
            kill(child, SIGTERM);
            waitpid(child, nullptr, 0);
        }
        return;
    }
    pid_ = child;
    display_ = ":" + number;
    if (const char* previous = std::getenv("DISPLAY")) {
        hadDisplay_ = true;
        previousDisplay_ = previous;
    }
    setenv("DISPLAY", display_.c_str(), 1);
}

XvfbServer::~XvfbServer()
{
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    if (hadDisplay_)
        setenv("DISPLAY", previousDisplay_.c_str(), 1);
    else
        unsetenv("DISPLAY");
}
