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

void DrawPlacedText(CCanvas& dc, const CRect& area, const std::string& text, COLORREF color) {
    if (text.empty()) {
        return;
    }
    const CPoint at = TextOrigin(area, dc.GetTextExtent(text));
    dc.TextOutClipped(at, area, text, color);
}
