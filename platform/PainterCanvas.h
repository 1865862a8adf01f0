#pragma once

#include <QFont>

#include "platform/Canvas.h"

class QPainter;

// Draws with a QPainter (on a widget during its paint event, or on an image). Antialiasing is
// switched off and ellipses are placed pixel by pixel, so that shapes land on the same pixels
// as on the platform the panel was designed for.
class CPainterCanvas : public CCanvas {
public:
    explicit CPainterCanvas(QPainter& painter);
    ~CPainterCanvas() override;

    void FillSolidRect(const CRect& rect, COLORREF color) override;
    CPen SelectPen(const CPen& pen) override;
    CBrush SelectBrush(const CBrush& brush) override;
    void SelectFont(const QFont* font) override;
    void Polyline(const std::vector<CPoint>& points) override;
    void Ellipse(const CRect& rect) override;
    void Arc(const CRect& rect, CPoint start, CPoint end) override;
    CSize GetTextExtent(const std::string& text) override;
    void TextOutClipped(CPoint at, const CRect& clip, const std::string& text,
                        COLORREF color) override;
    void BitBlt(CPoint dest, CSize size, const CMemoryContext& source,
                CPoint sourceOrigin) override;

private:
    // A nib of the pen's width at a pixel of an outline.
    void Stamp(int x, int y, int runLength);

    QPainter& m_painter;
    CPen m_pen;
    CBrush m_brush;
    QFont m_defaultFont;
    QFont m_font;
};
