#pragma once

#include "foundation/KESOKeyState.h"
#include "foundation/KESOMessageBox.h"
#include "foundation/KESOString.h"

#include <chrono>
#include <functional>

class NBusyHost;

// Keeps the window alive while an export runs on the GUI thread, from the export's progress hook:
// after a quiet start the hint line shows how far it got, at most every FrameInterval, and what the
// window system sends meanwhile is dropped. The close button aborts the export as Escape does.
//
// For its lifetime it stands in for the key state (Escape counts as held once the close button or
// Escape was pressed, however briefly) and the message box (it remembers the reason of a failure,
// for the hint line); both pass on to the services they replaced. Audio is stopped during an
// export, so the GUI thread is the only one that asks.
class NExportProgress : public KESOKeyState, public KESOMessageBox {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    using ShowText = std::function<void(const String&)>;
    // Short exports finish before anyone wonders; the window shows nothing new for them.
    static constexpr std::chrono::milliseconds QuietTime{333};
    static constexpr std::chrono::milliseconds FrameInterval{100};
    // The next frame waits at least this many times as long as the last took to show, so frames
    // never take more than 2 % of the export's time (a large zoom on a busy machine shows fewer).
    static constexpr int FrameSpacingPerCost = 50;

    // host may be null (no window): then nothing is shown or taken in.
    NExportProgress(NBusyHost* host, Clock clock, ShowText drawHint);
    ~NExportProgress() override;
    NExportProgress(const NExportProgress&) = delete;
    NExportProgress& operator=(const NExportProgress&) = delete;

    // The export's progress hook: fraction of the loop written, 0 to 1.
    void step(double fraction);
    // After the export: drops what arrived since the last step.
    void finish();

    bool closeRequested() const { return closeRequested_; }
    // The cause the last message shown during the export ended with, without a closing full
    // stop: what the hint line says about a failure.
    const String& lastReason() const { return reason_; }

    static String progressText(double fraction);

    bool isKeyDown(int virtualKey) override;
    void show(const String& text, const String& caption) override;

private:
    void dropEvents();

    NBusyHost* host_;
    Clock clock_;
    ShowText drawHint_;
    std::chrono::steady_clock::time_point nextCheck_;
    std::chrono::steady_clock::time_point nextFrame_;
    KESOKeyState* keyState_;
    KESOMessageBox* messageBox_;
    bool closeRequested_ = false;
    bool escapePressed_ = false;
    String reason_;
};
