#include "controls/FaceDrawing.h"

#include "controls/FaceGeometry.h"
#include "platform/Canvas.h"

void DrawFrame(CCanvas& dc, const CRect& f, COLORREF topLeft, COLORREF bottomRight) {
    const CFrameLines lines = FrameLines(f);
    const CPen previous = dc.SelectPen(CPen{2, topLeft});
    dc.Polyline(lines.topLeft);
    dc.SelectPen(CPen{2, bottomRight});
    dc.Polyline(lines.bottomRight);
    dc.SelectPen(previous);
}

void DrawFocusDots(CCanvas& dc, const CRect& r, COLORREF color) {
    const auto dot = [&](int x, int y) {
        if ((x - r.left + y - r.top) % 2 == 0) {
            dc.FillSolidRect({x, y, x + 1, y + 1}, color);
        }
    };
    for (int x = r.left; x < r.right; ++x) {
        dot(x, r.top);
        dot(x, r.bottom - 1);
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        dot(r.left, y);
        dot(r.right - 1, y);
    }
}

void DrawPlacedText(CCanvas& dc, const CRect& area, const std::string& text, COLORREF color) {
    if (text.empty()) {
        return;
    }
    const CPoint at = TextOrigin(area, dc.GetTextExtent(text));
    dc.TextOutClipped(at, area, text, color);
}
