#pragma once

#include <string>
#include <sys/types.h>

// A private X server for one test: Xvfb on a display number of its own choosing (-displayfd, so
// that tests running side by side never collide), 1280 x 1024 at 24 bits, stopped when the object
// goes or the process ends. DISPLAY is set to it while it runs. Where none can be started,
// started() is false and why() says so, for a test to skip with.
class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool started() const { return pid_ > 0; }
    const std::string& why() const { return why_; }
    const std::string& display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
    std::string why_;
    std::string previousDisplay_;
    bool hadDisplay_ = false;
};
