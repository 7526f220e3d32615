#include "app/NExportProgress.h"

#include "app/NBusyHost.h"
#include "foundation/KESOServices.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

NExportProgress::NExportProgress(NBusyHost* host, Clock clock, ShowText drawHint)
    : host_(host), clock_(std::move(clock)), drawHint_(std::move(drawHint))
{
    const auto now = clock_();
    nextCheck_ = now + FrameInterval;
    nextFrame_ = now + QuietTime;
    // What waited before the export began is dropped too, but an Escape typed then was not meant
    // for it.
    if (host_ != nullptr)
        closeRequested_ = host_->dropWaitingEvents().closeRequested;
    KESOServices& services = KESOServices::instance();
    keyState_ = services.keyState;
    messageBox_ = services.messageBox;
    services.keyState = this;
    services.messageBox = this;
}

NExportProgress::~NExportProgress()
{
    KESOServices& services = KESOServices::instance();
    services.keyState = keyState_;
    services.messageBox = messageBox_;
}

void NExportProgress::step(double fraction)
{
    // Called after every step of the loop: most calls only read the clock.
    const auto now = clock_();
    if (now < nextCheck_)
        return;
    nextCheck_ = now + FrameInterval;
    dropEvents();
    if (now < nextFrame_ || host_ == nullptr)
        return;
    // The cost is what the frame takes in real time, whatever clock paces the progress.
    const auto drawing = std::chrono::steady_clock::now();
    if (drawHint_)
        drawHint_(progressText(fraction));
    host_->showScreenNow();
    const auto cost = std::chrono::steady_clock::now() - drawing;
    nextFrame_ = now + std::max<std::chrono::steady_clock::duration>(FrameInterval, cost * FrameSpacingPerCost);
}

void NExportProgress::finish()
{
    dropEvents();
}

void NExportProgress::dropEvents()
{
    if (host_ == nullptr)
        return;
    const NBusyHost::Dropped dropped = host_->dropWaitingEvents();
    closeRequested_ = closeRequested_ || dropped.closeRequested;
    escapePressed_ = escapePressed_ || dropped.escapePressed;
}

String NExportProgress::progressText(double fraction)
{
    const int percent = static_cast<int>(std::floor(std::clamp(fraction, 0.0, 1.0) * 100));
    return String(u"Exporting... ") + intToString(percent) + String(u"% (Esc aborts)");
}

bool NExportProgress::isKeyDown(int virtualKey)
{
    if (virtualKey == Escape && (closeRequested_ || escapePressed_))
        return true;
    return keyState_ != nullptr && keyState_->isKeyDown(virtualKey);
}

void NExportProgress::show(const String& text, const String& caption)
{
    // The messages end with their cause: a line of its own, or what follows a colon.
    std::string reason = text.toUtf8();
    const std::size_t lineStart = reason.rfind('\n');
    if (lineStart != std::string::npos)
        reason.erase(0, lineStart + 1);
    const std::size_t cause = reason.rfind(": ");
    if (cause != std::string::npos)
        reason.erase(0, cause + 2);
    if (!reason.empty() && reason.back() == '.')
        reason.pop_back();
    reason_ = String::fromUtf8(reason);
    if (messageBox_ != nullptr)
        messageBox_->show(text, caption);
}
