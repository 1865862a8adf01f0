#pragma once

#include <vector>

#include "platform/native/Rect.h"

// Pixels x = left .. right-1 on row y.
struct CPixelRun {
    int y = 0;
    int left = 0;
    int right = 0;
};

// The pixels of the ellipse inscribed in a rectangle, placed as the platform's ellipses are: the
// shape touches the rectangle's left and top edges and its last column and row (right and bottom
// are excluded), and it is symmetric about both axes (and about the diagonal for a square).
struct CEllipsePixels {
    std::vector<CPixelRun> disc;     // one run per row, outline included
    std::vector<CPixelRun> outline;  // the disc's edge pixels: one or two runs per row
};

CEllipsePixels RasterizeEllipse(const CRect& rect);

// The outline pixels on the arc that runs counter-clockwise, as seen on the screen, from the
// radial through start to the radial through end, both radials taken from the rectangle's
// centre. Equal radials give the whole outline.
std::vector<CPoint> ArcPixels(const CRect& rect, CPoint start, CPoint end);
