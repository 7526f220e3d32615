#include "cli/NProgressBar.h"

#include <cstdio>
#include <string>

namespace {

constexpr int Width = 40;

} // namespace

NProgressBar::NProgressBar(bool enabled) : enabled_(enabled), started_(std::chrono::steady_clock::now()) {}

double NProgressBar::elapsedSeconds() const
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
}

void NProgressBar::update(double fraction)
{
    int percent = static_cast<int>(fraction * 100);
    if (!enabled_ || percent == shownPercent_)
        return;
    shownPercent_ = percent;
    int filled = percent * Width / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(Width - filled), '.');
    std::fprintf(stderr, "\r[%s] %3d%%  %.1f s", bar.c_str(), percent, elapsedSeconds());
    std::fflush(stderr);
}

void NProgressBar::finish(double audioSeconds)
{
    if (!enabled_)
        return;
    double seconds = elapsedSeconds();
    std::fprintf(stderr, "\r[%s] 100%%  %.1f s", std::string(Width, '#').c_str(), seconds);
    if (seconds > 0)
        std::fprintf(stderr, "  (%.0f x real time)", audioSeconds / seconds);
    std::fputc('\n', stderr);
}
