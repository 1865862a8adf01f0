#include "controls/DisplayStatic.h"

#include <QEvent>

#include "controls/FaceDrawing.h"
#include "controls/FaceGeometry.h"
#include "platform/Canvas.h"

CDisplayStatic::CDisplayStatic(COLORREF back, COLORREF text, COLORREF frameTopLeft,
                               COLORREF frameBottomRight, bool framed, const QFont* font,
                               const QWidget* fontSourceWnd)
    : m_crFrameTopLeft(frameTopLeft),
      m_crFrameBottomRight(frameBottomRight),
      m_pFontSourceWnd(fontSourceWnd),
      m_crBack(back),
      m_crText(text),
      m_pFont(font),
      m_bFramed(framed) {}

void CDisplayStatic::OnSubclassed(QWidget& wnd) {
    IgnoreInput(wnd);
}

void CDisplayStatic::SetText(const std::string& text) {
    m_strText = text;
    // The whole display goes through the paint path, so the result is exactly what the next
    // paint would show, framed or not.
    RedrawNow(GetClientRect());
}

void CDisplayStatic::SetToolTip(const std::string& text) {
    if (QWidget* wnd = GetSafeHwnd()) {
        wnd->setToolTip(QString::fromStdString(text));
        wnd->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    }
}

bool CDisplayStatic::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            if (watched == GetSafeHwnd()) {
                // Ignored, the press propagates to the parent as if the display were not there.
                event->ignore();
                return true;
            }
            break;
        default:
            break;
    }
    return CSubclassedControl::eventFilter(watched, event);
}

const QFont* CDisplayStatic::CurrentFont() const {
    if (m_pFont != nullptr) {
        return m_pFont;
    }
    return m_pFontSourceWnd ? &m_pFontSourceWnd->font() : nullptr;
}

void CDisplayStatic::Draw(CCanvas& dc, const CRect& client) const {
    dc.SelectFont(CurrentFont());
    const CRect area = client.Inset(2);
    if (m_bFramed) {
        DrawFrame(dc, area, m_crFrameTopLeft, m_crFrameBottomRight);
        dc.FillSolidRect(area.Inset(1), m_crBack);
    }
    // Unframed, the text lies on whatever the parent painted behind the display.
    const std::string shown = ElideText(m_strText, area.Width(), [&dc](const std::string& text) {
        return dc.GetTextExtent(text).cx;
    });
    DrawPlacedText(dc, area, shown, m_crText);
    dc.SelectFont(nullptr);
}
