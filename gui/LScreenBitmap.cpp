#include "gui/LScreenBitmap.h"

#include "foundation/MemoryTracker.h"

#include <algorithm>

KESORect LScreenBitmap::dirtyRects_[LScreenBitmap::MaxDirtyRects];
int LScreenBitmap::dirtyCount_ = 0;

LScreenBitmap& LScreenBitmap::instance()
{
    // The tracker is made first so that it outlives the release of the pixels at exit.
    MemoryTracker::instance();
    static LScreenBitmap screen;
    return screen;
}

LScreenBitmap::~LScreenBitmap() = default;

void LScreenBitmap::invalidate(const KESORect& rect)
{
    KESORect r = rect;
    if (r.x < 0) { r.w += r.x; r.x = 0; }
    if (r.y < 0) { r.h += r.y; r.y = 0; }
    if (r.x + r.w > width()) r.w = width() - r.x;
    if (r.y + r.h > height()) r.h = height() - r.y;
    if (dirtyCount_ == MaxDirtyRects) {
        dirtyRects_[0] = {0, 0, width(), height()};
        dirtyCount_ = 1;
        return;
    }
    dirtyRects_[dirtyCount_++] = r;
}

void LScreenBitmap::flush(std::uint32_t* frameBuffer)
{
    if (dirtyCount_ == 0)
        return;
    if (frameBuffer != nullptr && !isEmpty()) {
        for (int i = 0; i < dirtyCount_; ++i)
            flushRect(dirtyRects_[i], frameBuffer);
    }
    dirtyCount_ = 0;
}

void LScreenBitmap::flushRect(const KESORect& rect, std::uint32_t* frameBuffer) const
{
    // Rectangles were clipped when they were added; clipping again guards against a screen that
    // was re-created smaller since.
    int x0 = std::max(rect.x, 0);
    int x1 = std::min(rect.x + rect.w, width());
    int y0 = std::max(rect.y, 0);
    int y1 = std::min(rect.y + rect.h, height());
    for (int y = y0; y < y1; ++y) {
        const std::uint16_t* src = pixels() + y * stride();
        std::uint32_t* dst = frameBuffer + y * width();
        for (int x = x0; x < x1; ++x) {
            std::uint32_t p = src[x];
            dst[x] = ((p & 0x001F) << 3) | ((p & 0x07E0) << 5) | ((p & 0xF800) << 8);
        }
    }
}
