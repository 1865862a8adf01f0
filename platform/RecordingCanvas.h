#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/Canvas.h"

// A canvas for tests: records the drawing operations in order, as strings with their
// arguments and the pen, brush or font in force, e.g. "fill (2,2,110,20) #c0c0c0", "polyline (1,21)
// (1,1) pen 2 #808080", "ellipse (0,0,20,20) pen 1 #ffffff brush #c0c0c0", "arc (0,0,20,20)
// (2,17)->(17,2) pen 1 #808080", "text (41,4) clip (2,2,110,20) #000000 font Sans 8: 4660" (or
// "font default"), "blt (0,0) 103x24 bitmap 104 from (0,0)". Selections are kept, not recorded.
class CRecordingCanvas : public CCanvas {
public:
    void FillSolidRect(const CRect& rect, COLORREF color) override;
    CPen SelectPen(const CPen& selected) override { return std::exchange(pen, selected); }
    CBrush SelectBrush(const CBrush& selected) override { return std::exchange(brush, selected); }
    void SelectFont(const QFont* selected) override { font = selected; }
    void Polyline(const std::vector<CPoint>& points) override;
    void Ellipse(const CRect& rect) override;
    void Arc(const CRect& rect, CPoint start, CPoint end) override;
    CSize GetTextExtent(const std::string& text) override { return measure(text, font); }
    void TextOutClipped(CPoint at, const CRect& clip, const std::string& text,
                        COLORREF color) override;
    void BitBlt(CPoint dest, CSize size, const CMemoryContext& source,
                CPoint sourceOrigin) override;

    std::vector<std::string> ops;
    CPen pen;
    CBrush brush;
    const QFont* font = nullptr;
    // What GetTextExtent answers; by default 6 x 13 pixels a character.
    std::function<CSize(const std::string&, const QFont*)> measure = [](const std::string& text,
                                                                        const QFont*) {
        return CSize{6 * static_cast<int>(text.size()), 13};
    };
};

std::string Describe(const CRect& r);
std::string Describe(CPoint p);
std::string Describe(COLORREF color);

inline void PrintTo(const CRect& r, std::ostream* os) {
    *os << Describe(r);
}
inline void PrintTo(CPoint p, std::ostream* os) {
    *os << Describe(p);
}
