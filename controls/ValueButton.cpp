#include "controls/ValueButton.h"

#include <QWidget>

#include "controls/FaceDrawing.h"
#include "platform/Canvas.h"

CValueButton::CValueButton(COLORREF back, COLORREF text, COLORREF frameTopLeft,
                           COLORREF frameBottomRight, const QFont* font)
    : m_crBack(back),
      m_crText(text),
      m_crFrameTopLeft(frameTopLeft),
      m_crFrameBottomRight(frameBottomRight),
      m_pFont(font) {}

void CValueButton::SetText(const std::string& text) {
    m_strText = text;
    // The frame stays as it is, so only what a paint fills is redrawn.
    RedrawNow(TextArea(GetClientRect()));
}

const QFont* CValueButton::CurrentFont() const {
    if (m_pFont != nullptr) {
        return m_pFont;
    }
    const QWidget* wnd = GetSafeHwnd();
    const QWidget* parent = wnd != nullptr ? wnd->parentWidget() : nullptr;
    return parent != nullptr ? &parent->font() : nullptr;
}

void CValueButton::Draw(CCanvas& dc, const CRect& client) const {
    dc.SelectFont(CurrentFont());
    DrawFrame(dc, client.Inset(1), m_crFrameTopLeft, m_crFrameBottomRight);
    const CRect area = TextArea(client);
    dc.FillSolidRect(area, m_crBack);
    DrawPlacedText(dc, area, m_strText, m_crText);
    const QWidget* wnd = GetSafeHwnd();
    // As on the platform it copies, the frame is a cue for keyboard users: it shows only once
    // the keyboard has moved the focus in the window, so a click never changes the look.
    if (wnd != nullptr && wnd->hasFocus() &&
        wnd->window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        DrawFocusDots(dc, FocusRect(client), m_crText);
    }
    dc.SelectFont(nullptr);
}
