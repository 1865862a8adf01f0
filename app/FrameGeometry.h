#pragma once

#include "panel/FrameFit.h"

// A rectangle as the platform keeps it: right and bottom edges are outside.
struct FrameRect {
    int left, top, right, bottom;
    bool operator==(const FrameRect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

constexpr int kFrameWidth = 402;
constexpr int kFrameHeight = 404;

// The main frame's starting rectangle, centred on a desktop of the given size with C++'s
// truncating signed division and no offset for the desktop's own origin.
constexpr FrameRect CenteredFrameRect(int desktopWidth, int desktopHeight) {
    const int left = (desktopWidth - kFrameWidth) / 2;
    const int top = (desktopHeight - kFrameHeight) / 2;
    return {left, top, left + kFrameWidth, top + kFrameHeight};
}
