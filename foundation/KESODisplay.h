#pragma once

#include "foundation/KESOString.h"

#include <cstdint>
#include <vector>

// One thing that happened to the program window.
struct KESODisplayEvent {
    enum Type {
        None,
        CloseRequest, // the window's close button
        KeyDown,      // code: the Windows virtual-key code; repeat: held down and repeating
        KeyUp,
        Character,    // code: the character typed
        MouseMove,    // x, y: client-area pixels; outside the window while the mouse is captured
        MouseDown,    // the left button
        MouseUp,
        Timer,        // code: the timer's id
        Exposed,      // the window must be drawn again
        FilesDropped, // files: dropped on the window, in order
    };
    Type type = None;
    int x = 0;
    int y = 0;
    int code = 0;
    bool repeat = false;
    bool control = false; // KeyDown, KeyUp: a Control key was held; Ctrl+1, 2 and 4 choose the zoom
    std::vector<String> files;
};

// Seam: the program window. Its client area shows a frame of a fixed logical size, stretched to
// whatever size the window has; input arrives as events.
//
// Threads: the GUI thread only. Timer events are delivered on it too.
class KESODisplay {
public:
    struct Size {
        int width = 0;
        int height = 0;
    };

    virtual ~KESODisplay() = default;

    // Opens a resizable window with the title, its client area width x height. False when no
    // window could be opened; the display has then told the user why.
    virtual bool open(const String& title, int width, int height) = 0;
    // Closes the window; no more events arrive. Harmless when it is not open.
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Waits up to timeoutMs milliseconds (-1: as long as it takes) for the next event. False when
    // none came in that time or the window is closed.
    virtual bool waitEvent(KESODisplayEvent& event, int timeoutMs) = 0;
    // Shows a frame of width x height pixels 0x00RRGGBB, row after row, stretched to the client
    // area with nearest-neighbour scaling.
    virtual void present(const std::uint32_t* frame) = 0;

    virtual Size clientSize() = 0;
    // Resizes the window to a client area of exactly zoom times the logical size.
    virtual void setZoom(int zoom) = 0;
    // The part of the screen the window is on that windows may use.
    virtual Size usableScreenSize() = 0;

    // A periodic timer whose expiries arrive as Timer events, at most one of them waiting at a
    // time; setting an id again restarts it.
    virtual void setTimer(int id, int milliseconds) = 0;
    virtual void killTimer(int id) = 0;
    // While captured, pointer events keep arriving when the pointer leaves the window.
    virtual void captureMouse(bool captured) = 0;
};
