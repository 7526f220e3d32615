#pragma once

// An area of the screen: position and size (w and h are sizes, not end points).
struct KESORect {
    int x;
    int y;
    int w;
    int h;
};
