#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/native/Rect.h"

// Where a single line of text of the given extent starts in area: centred on each axis where it
// fits; where it does not fit it starts at 0 of the control (not at the area's edge), so that
// the clipping to area cuts off its first pixels rather than shifting it.
CPoint TextOrigin(const CRect& area, CSize extent);

// text when its width is less than width; otherwise its longest start (whole UTF-8 characters)
// followed by "…" whose width is, or "…" alone. A name cut short must not pass for another name.
std::string ElideText(const std::string& text, int width,
                      const std::function<int(const std::string&)>& widthOf);

// The sunken or raised frame drawn on f: one polyline from the bottom-left corner up and across
// to the top-right corner, and one from there down and back to the bottom-left.
struct CFrameLines {
    std::vector<CPoint> topLeft;
    std::vector<CPoint> bottomRight;
};
CFrameLines FrameLines(const CRect& f);

// The indicator lamp in an item rectangle: the square bezel centred along the longer side, the
// shadowed arc of its outline (from lower left to upper right), and the square of the lamp disc.
struct CLampGeometry {
    CRect bezel;
    CPoint arcStart;
    CPoint arcEnd;
    CRect lamp;
};
CLampGeometry LampGeometry(const CRect& item);
