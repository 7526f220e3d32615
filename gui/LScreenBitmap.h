#pragma once

#include "gui/KESOBitmap.h"
#include "gui/KESORect.h"

#include <cstdint>

// The one 240 x 320 screen the whole interface is drawn into. Widgets mark what they paint in a
// list of dirty rectangles; once per main-loop turn `flush` copies just those areas into the
// window's 32-bit frame buffer.
class LScreenBitmap : public KESOBitmap {
public:
    static constexpr int Width = 240;
    static constexpr int Height = 320;
    static constexpr int MaxDirtyRects = 1024;

    static LScreenBitmap& instance();

    LScreenBitmap() = default;
    ~LScreenBitmap() override;

    // Clips the rectangle to the screen and appends it. A full list becomes one rectangle covering
    // the whole screen, so nothing that was marked is lost.
    void invalidate(const KESORect& rect);
    // Converts the dirty areas into 0x00RRGGBB words of a frame buffer as wide as the screen, then
    // empties the list. A null frame buffer only empties the list.
    void flush(std::uint32_t* frameBuffer);
    // Called after redrawing in response to input; the window presents on its own.
    void present() {}

    static int dirtyCount() { return dirtyCount_; }
    static const KESORect& dirtyRect(int index) { return dirtyRects_[index]; }

private:
    void flushRect(const KESORect& rect, std::uint32_t* frameBuffer) const;

    // There is one screen, so the list belongs to the class.
    static KESORect dirtyRects_[MaxDirtyRects];
    static int dirtyCount_;
};
