#include "platform/PainterCanvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>
#include <algorithm>
#include <cmath>

#include "platform/Bitmap.h"
#include "platform/QtColor.h"
#include "platform/native/EllipseRaster.h"

namespace {

QRect ToQRect(const CRect& r) {
    return QRect(r.left, r.top, r.Width(), r.Height());
}

}  // namespace

CPainterCanvas::CPainterCanvas(QPainter& painter)
    : m_painter(painter), m_defaultFont(painter.font()), m_font(m_defaultFont) {
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing, false);
}

CPainterCanvas::~CPainterCanvas() {
    m_painter.restore();
}

void CPainterCanvas::FillSolidRect(const CRect& rect, COLORREF color) {
    if (!rect.IsEmpty()) {
        m_painter.fillRect(ToQRect(rect), ToQColor(color));
    }
}

CPen CPainterCanvas::SelectPen(const CPen& pen) {
    const CPen previous = m_pen;
    m_pen = pen;
    return previous;
}

CBrush CPainterCanvas::SelectBrush(const CBrush& brush) {
    const CBrush previous = m_brush;
    m_brush = brush;
    return previous;
}

void CPainterCanvas::SelectFont(const QFont* font) {
    m_font = font != nullptr ? *font : m_defaultFont;
}

namespace {

bool AllAxisAligned(const QPolygon& polygon) {
    for (int i = 0; i + 1 < polygon.size(); ++i) {
        if (polygon[i].x() != polygon[i + 1].x() && polygon[i].y() != polygon[i + 1].y()) {
            return false;
        }
    }
    return true;
}

}  // namespace

void CPainterCanvas::Polyline(const std::vector<CPoint>& points) {
    if (points.size() < 2) {
        return;
    }
    QPolygon polygon;
    for (const CPoint& p : points) {
        polygon << QPoint(p.x, p.y);
    }
    const bool thin = m_pen.width <= 1;
    if (thin) {
        // A 1-pixel polyline leaves out its last point, which Qt would draw: step the last
        // segment back by one pixel along its longer axis (exact for horizontal, vertical and
        // diagonal segments).
        while (polygon.size() >= 2 && polygon.back() == polygon[polygon.size() - 2]) {
            polygon.removeLast();
        }
        if (polygon.size() < 2) {
            return;
        }
        const QPoint from = polygon[polygon.size() - 2];
        const QPoint d = polygon.back() - from;
        const double keep = (std::max(std::abs(d.x()), std::abs(d.y())) - 1.0) /
                            std::max(std::abs(d.x()), std::abs(d.y()));
        polygon.back() = from + QPoint(static_cast<int>(std::lround(d.x() * keep)),
                                       static_cast<int>(std::lround(d.y() * keep)));
        if (polygon.back() == from) {
            polygon.removeLast();
        }
        if (polygon.size() == 1) {
            m_painter.fillRect(QRect(from, QSize(1, 1)), ToQColor(m_pen.color));
            return;
        }
    }
    if (!thin && AllAxisAligned(polygon)) {
        // Stamped as whole pixel squares so that a scaled device (a high-resolution screen)
        // doubles every pixel exactly instead of rounding the pen's edges its own way.
        for (int i = 0; i + 1 < polygon.size(); ++i) {
            const QPoint a = polygon[i];
            const QPoint b = polygon[i + 1];
            if (a.y() == b.y()) {
                Stamp(std::min(a.x(), b.x()), a.y(), std::abs(b.x() - a.x()) + 1);
            } else {
                // The union of the pen's squares down the segment, in one fill.
                const int w = m_pen.width;
                const int top = std::min(a.y(), b.y());
                const int length = std::abs(b.y() - a.y()) + 1;
                m_painter.fillRect(QRect(a.x() - w / 2, top - w / 2, w, length + w - 1),
                                   ToQColor(m_pen.color));
            }
        }
        return;
    }
    // Wide lines have round ends and joins, as on the panel's original platform; Qt puts an
    // even width's extra pixel above and left of the line, as that platform does.
    m_painter.setPen(QPen(ToQColor(m_pen.color), thin ? 1 : m_pen.width, Qt::SolidLine,
                          Qt::RoundCap, Qt::RoundJoin));
    m_painter.setBrush(Qt::NoBrush);
    m_painter.drawPolyline(polygon);
}

void CPainterCanvas::Stamp(int x, int y, int runLength) {
    const int w = m_pen.width > 1 ? m_pen.width : 1;
    m_painter.fillRect(QRect(x - w / 2, y - w / 2, runLength + w - 1, w), ToQColor(m_pen.color));
}

void CPainterCanvas::Ellipse(const CRect& rect) {
    // Qt's own aliased ellipses and arcs do not fall on the same pixels as each other, and an
    // arc must lie exactly on the outline it redraws; so both are placed here.
    const CEllipsePixels pixels = RasterizeEllipse(rect);
    const QColor fill = ToQColor(m_brush.color);
    for (const CPixelRun& run : pixels.disc) {
        m_painter.fillRect(QRect(run.left, run.y, run.right - run.left, 1), fill);
    }
    for (const CPixelRun& run : pixels.outline) {
        Stamp(run.left, run.y, run.right - run.left);
    }
}

void CPainterCanvas::Arc(const CRect& rect, CPoint start, CPoint end) {
    for (const CPoint& p : ArcPixels(rect, start, end)) {
        Stamp(p.x, p.y, 1);
    }
}

CSize CPainterCanvas::GetTextExtent(const std::string& text) {
    const QFontMetrics metrics(m_font, m_painter.device());
    return {metrics.horizontalAdvance(QString::fromStdString(text)), metrics.height()};
}

void CPainterCanvas::TextOutClipped(CPoint at, const CRect& clip, const std::string& text,
                                    COLORREF color) {
    if (text.empty() || clip.IsEmpty()) {
        return;
    }
    const QFontMetrics metrics(m_font, m_painter.device());
    m_painter.save();
    m_painter.setClipRect(ToQRect(clip), Qt::IntersectClip);
    m_painter.setFont(m_font);
    m_painter.setPen(ToQColor(color));
    m_painter.setBackgroundMode(Qt::TransparentMode);
    m_painter.drawText(QPoint(at.x, at.y + metrics.ascent()), QString::fromStdString(text));
    m_painter.restore();
}

void CPainterCanvas::BitBlt(CPoint dest, CSize size, const CMemoryContext& source,
                            CPoint sourceOrigin) {
    const CBitmap* bitmap = source.GetBitmap();
    if (bitmap == nullptr || bitmap->IsNull() || size.cx <= 0 || size.cy <= 0) {
        return;
    }
    const QPainter::CompositionMode mode = m_painter.compositionMode();
    m_painter.setCompositionMode(QPainter::CompositionMode_Source);
    m_painter.drawImage(QPoint(dest.x, dest.y), bitmap->GetImage(),
                        QRect(sourceOrigin.x, sourceOrigin.y, size.cx, size.cy));
    m_painter.setCompositionMode(mode);
}
