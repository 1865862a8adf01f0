#pragma once

// Integer points, sizes and rectangles as the drawing code uses them. A rectangle includes its
// left and top edges and excludes its right and bottom edges, so Width() pixels are filled.

struct CPoint {
    int x = 0;
    int y = 0;
};

struct CSize {
    int cx = 0;
    int cy = 0;
};

struct CRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool IsEmpty() const { return right <= left || bottom <= top; }
    // Moved in by d on every side (out when d is negative).
    constexpr CRect Inset(int d) const { return {left + d, top + d, right - d, bottom - d}; }
};

constexpr bool operator==(CPoint a, CPoint b) {
    return a.x == b.x && a.y == b.y;
}
constexpr bool operator!=(CPoint a, CPoint b) {
    return !(a == b);
}
constexpr bool operator==(CSize a, CSize b) {
    return a.cx == b.cx && a.cy == b.cy;
}
constexpr bool operator!=(CSize a, CSize b) {
    return !(a == b);
}
constexpr bool operator==(const CRect& a, const CRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
constexpr bool operator!=(const CRect& a, const CRect& b) {
    return !(a == b);
}
