#pragma once

#include "foundation/KESODisplay.h"
#include "foundation/KESOString.h"

#include <cstdint>
#include <vector>

// The base of the application object: opens the program window through the display service,
// owns the screen bitmap's lifetime, and turns the window's events into calls of the virtual input
// operations below, with pointer positions mapped to the logical 240 x 320 screen.
class LGUIApp {
public:
    static constexpr int LogicalWidth = 240;
    static constexpr int LogicalHeight = 320;
    // Right after the window opens there may be nothing to wait for; the first step gives up then.
    static constexpr int FirstStepTimeoutMs = 100;
    // A zoomed window is meant to leave room on the screen: it may take about this share of the
    // usable height.
    static constexpr int ScreenShareNumerator = 2;
    static constexpr int ScreenShareDenominator = 3;

    struct Point {
        int x = 0;
        int y = 0;
    };

    LGUIApp();
    LGUIApp(const LGUIApp&) = delete;
    LGUIApp& operator=(const LGUIApp&) = delete;
    virtual ~LGUIApp();

    // The one application object, or null.
    static LGUIApp* application() { return application_; }

    // Opens the window with the title and a 240 x 320 client area, creates the screen bitmap and
    // calls onCreate. False when no window could be opened (the display has told the user why).
    bool create(const String& title);
    // Waits for window events and dispatches them until the window closes.
    virtual int run();
    // Closes the window now: onDestroy has run when this returns. Then releases the screen
    // bitmap's pixels.
    void close();

    // Waits for the next window event, dispatches it and shows the frame (width x height pixels
    // 0x00RRGGBB). 1 after showing it, 0 once the window is closed.
    int displayStep(const std::uint32_t* frameBuffer);

    // A periodic timer whose expiries call onTimer(id) on this thread.
    void setTimer(int id, int milliseconds);
    void killTimer(int id);
    // Gives the client area exactly zoom times the logical size.
    void setZoom(int zoom);
    // The zoom factor a digit key chooses together with Control: 1, 2 or 4; 0 for other keys.
    static int zoomForKey(int key);
    // The largest of 1, 2 and 4 whose window fits in the share above of the usable screen; 1 when
    // the screen's size is unknown.
    static int zoomForScreen(KESODisplay::Size usable);

    // A client-area position in logical coordinates, for a client area of the given size. The
    // position is read the way a packed window-message position is: x as an unsigned 16-bit
    // value, y as a signed one, so a pointer captured above the window gives a negative y and one
    // left of it a large x (both outside every widget).
    Point mapPointer(int clientX, int clientY, KESODisplay::Size client) const;

    String getProgramDir() const { return programDir; }

    // Input and lifetime notifications, empty here.
    virtual void idle() {}
    virtual void mouseDown(int /*x*/, int /*y*/) {}
    virtual void mouseMove(int /*x*/, int /*y*/, bool /*buttonIsDown*/) {}
    virtual void mouseUp(int /*x*/, int /*y*/) {}
    virtual void keyDown(int /*key*/) {}
    virtual void character(int /*ch*/) {}
    virtual void keyUp(int /*key*/) {}
    // A key pressed with Control (other than the zoom keys): true when the application took it as
    // a command, which then reaches no screen. repeat: the key is held down and repeating.
    virtual bool shortcut(int /*key*/, bool /*repeat*/) { return false; }
    virtual void filesDropped(const std::vector<String>& /*files*/) {}
    virtual void onCreate() {}
    virtual void onDestroy() {}
    virtual void onTimer(int /*timerId*/) {}

    bool created = false;
    int width = LogicalWidth;
    int height = LogicalHeight;
    bool buttonDown = false;
    // 1: the base run waits for each event; anything else: it polls and calls idle between events.
    int pumpMode = 0;
    // The zoom the window opens at: 1, 2 or 4, or 0 for the one that suits the screen
    // (zoomForScreen).
    int startZoom = 1;
    // The display the window lives in; null until create succeeds.
    KESODisplay* window = nullptr;
    // The program's folder, ending in a separator.
    String programDir;

protected:
    // The window procedure: one event becomes calls of the operations above.
    void dispatch(const KESODisplayEvent& event);

private:
    // The window's close handling: the display closes, then onDestroy runs, once.
    void handleClose();

    bool firstStep_ = false;

    static LGUIApp* application_;
};
