#pragma once

#include <string>
#include <vector>

#include "platform/native/Color.h"
#include "platform/native/Rect.h"

class CBitmap;
class QFont;

// A solid pen. Widths above 1 are centred on the line; an even width puts the extra pixel
// above and to the left of it.
struct CPen {
    int width = 1;
    COLORREF color = MakeRgb(0, 0, 0);
};

// A solid brush, used for the inside of ellipses.
struct CBrush {
    COLORREF color = MakeRgb(255, 255, 255);
};

// Holds the bitmap that a block copy reads from.
class CMemoryContext {
public:
    // Returns the bitmap selected before (null at first).
    const CBitmap* SelectBitmap(const CBitmap* bitmap) {
        const CBitmap* previous = m_pBitmap;
        m_pBitmap = bitmap;
        return previous;
    }
    const CBitmap* GetBitmap() const { return m_pBitmap; }

private:
    const CBitmap* m_pBitmap = nullptr;
};

// The drawing operations of the panel's controls, with the platform's pixel rules: integer
// coordinates, rectangles exclude their right and bottom edges, and a 1-pixel polyline leaves
// out its last point. A new canvas has a black 1-pixel pen, a white brush and the context's
// own font.
class CCanvas {
public:
    virtual ~CCanvas() = default;

    virtual void FillSolidRect(const CRect& rect, COLORREF color) = 0;
    // Each returns what was selected before, so that it can be selected back.
    virtual CPen SelectPen(const CPen& pen) = 0;
    virtual CBrush SelectBrush(const CBrush& brush) = 0;
    // The font is borrowed and must outlive its use; null selects the context's own font.
    virtual void SelectFont(const QFont* font) = 0;

    // With the current pen.
    virtual void Polyline(const std::vector<CPoint>& points) = 0;
    // The ellipse inscribed in rect, filled with the brush and outlined with the pen.
    virtual void Ellipse(const CRect& rect) = 0;
    // Part of the outline of the ellipse inscribed in rect, counter-clockwise from the radial
    // through start to the radial through end.
    virtual void Arc(const CRect& rect, CPoint start, CPoint end) = 0;

    // In the current font.
    virtual CSize GetTextExtent(const std::string& text) = 0;
    // One line whose cell's top-left corner is at; the background shows through and nothing
    // outside clip is touched.
    virtual void TextOutClipped(CPoint at, const CRect& clip, const std::string& text,
                                COLORREF color) = 0;

    // Copies size pixels of the bitmap selected in source, from sourceOrigin on, unchanged.
    virtual void BitBlt(CPoint dest, CSize size, const CMemoryContext& source,
                        CPoint sourceOrigin) = 0;
};
