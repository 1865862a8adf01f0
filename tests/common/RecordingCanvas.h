#pragma once

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/Canvas.h"

class QFont;

// Records the drawing operations, in order, as short strings with their arguments and the pen,
// brush or font in force:
//   "fill (l,t,r,b) #rrggbb"
//   "polyline (x,y) (x,y) ... pen <w> #rrggbb"
//   "ellipse (l,t,r,b) pen <w> #rrggbb brush #rrggbb"
//   "arc (l,t,r,b) (x,y)->(x,y) pen <w> #rrggbb"
//   "text (x,y) clip (l,t,r,b) #rrggbb font <family pt|default>: <text>"
//   "blt (x,y) <w>x<h> bitmap <id> from (x,y)"
// Selections are not recorded; the current ones can be read after drawing.
class CRecordingCanvas : public CCanvas {
public:
    void FillSolidRect(const CRect& rect, COLORREF color) override;
    CPen SelectPen(const CPen& pen) override;
    CBrush SelectBrush(const CBrush& brush) override;
    void SelectFont(const QFont* selected) override { font = selected; }
    void Polyline(const std::vector<CPoint>& points) override;
    void Ellipse(const CRect& rect) override;
    void Arc(const CRect& rect, CPoint start, CPoint end) override;
    CSize GetTextExtent(const std::string& text) override { return measure(text, font); }
    void TextOutClipped(CPoint at, const CRect& clip, const std::string& text,
                        COLORREF color) override;
    void BitBlt(CPoint dest, CSize size, const CMemoryContext& source,
                CPoint sourceOrigin) override;

    // The recorded operations whose string starts with kind ("fill", "text", ...).
    std::vector<std::string> Ops(const std::string& kind) const;

    std::vector<std::string> ops;
    CPen pen;
    CBrush brush;
    const QFont* font = nullptr;
    // The extent GetTextExtent answers; by default 6 x 13 pixels a character.
    std::function<CSize(const std::string&, const QFont*)> measure = [](const std::string& text,
                                                                        const QFont*) {
        return CSize{6 * static_cast<int>(text.size()), 13};
    };
};

std::string Describe(const CRect& r);
std::string Describe(CPoint p);
std::string Describe(COLORREF color);

// So that failed comparisons print geometry readably.
inline void PrintTo(const CRect& r, std::ostream* os) {
    *os << Describe(r);
}
inline void PrintTo(CPoint p, std::ostream* os) {
    *os << Describe(p);
}
inline void PrintTo(CSize s, std::ostream* os) {
    *os << s.cx << "x" << s.cy;
}
