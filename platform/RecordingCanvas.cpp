#include "platform/RecordingCanvas.h"

#include <QFont>
#include <cstdio>

#include "platform/Bitmap.h"

std::string Describe(const CRect& r) {
    char text[64];
    std::snprintf(text, sizeof text, "(%d,%d,%d,%d)", r.left, r.top, r.right, r.bottom);
    return text;
}

std::string Describe(CPoint p) {
    return "(" + std::to_string(p.x) + "," + std::to_string(p.y) + ")";
}

std::string Describe(COLORREF c) {
    char text[8];
    std::snprintf(text, sizeof text, "#%02x%02x%02x", GetRValue(c), GetGValue(c), GetBValue(c));
    return text;
}

namespace {

std::string DescribePen(const CPen& pen) {
    return "pen " + std::to_string(pen.width) + " " + Describe(pen.color);
}

}  // namespace

void CRecordingCanvas::FillSolidRect(const CRect& rect, COLORREF color) {
    ops.push_back("fill " + Describe(rect) + " " + Describe(color));
}

void CRecordingCanvas::Polyline(const std::vector<CPoint>& points) {
    std::string op = "polyline";
    for (const CPoint& p : points) {
        op += " " + Describe(p);
    }
    ops.push_back(op + " " + DescribePen(pen));
}

void CRecordingCanvas::Ellipse(const CRect& rect) {
    ops.push_back("ellipse " + Describe(rect) + " " + DescribePen(pen) + " brush " +
                  Describe(brush.color));
}

void CRecordingCanvas::Arc(const CRect& rect, CPoint start, CPoint end) {
    ops.push_back("arc " + Describe(rect) + " " + Describe(start) + "->" + Describe(end) + " " +
                  DescribePen(pen));
}

void CRecordingCanvas::TextOutClipped(CPoint at, const CRect& clip, const std::string& text,
                                      COLORREF color) {
    const std::string name =
        font ? font->family().toStdString() + " " + std::to_string(font->pointSize()) : "default";
    ops.push_back("text " + Describe(at) + " clip " + Describe(clip) + " " + Describe(color) +
                  " font " + name + ": " + text);
}

void CRecordingCanvas::BitBlt(CPoint dest, CSize size, const CMemoryContext& source,
                              CPoint sourceOrigin) {
    const CBitmap* bitmap = source.GetBitmap();
    ops.push_back("blt " + Describe(dest) + " " + std::to_string(size.cx) + "x" +
                  std::to_string(size.cy) + " bitmap " +
                  (bitmap ? std::to_string(bitmap->GetId()) : "none") + " from " +
                  Describe(sourceOrigin));
}
