#pragma once

#include <chrono>

// A one-line progress bar on standard error: share of the loop rendered and time so far, and at
// the end the speed as a multiple of real time.
class NProgressBar {
public:
    explicit NProgressBar(bool enabled);

    void update(double fraction);
    void finish(double audioSeconds);

private:
    double elapsedSeconds() const;

    bool enabled_;
    int shownPercent_ = -1;
    std::chrono::steady_clock::time_point started_;
};
