#pragma once

#include <string>

#include "platform/SubclassedControl.h"
#include "platform/native/Color.h"

class QFont;

// A read-out that is also a push button: a sunken box with one value centred in it. It takes
// over an owner-drawn QPushButton of the panel, whose clicked signal (mouse or keyboard) is the
// click notification; the button's caption is never shown and pressing it does not change its
// look. With the focus it shows the dotted focus frame inside its border, once the keyboard has
// moved the focus in its window.
class CValueButton : public CSubclassedControl {
public:
    // font is borrowed; without one the parent's current font is used at each drawing.
    CValueButton(COLORREF back, COLORREF text, COLORREF frameTopLeft, COLORREF frameBottomRight,
                 const QFont* font = nullptr);

    // Stores the text and repaints the inside of the frame before returning.
    void SetText(const std::string& text);
    const std::string& GetText() const { return m_strText; }

    void Draw(CCanvas& dc, const CRect& client) const override;

    // The part of the client rectangle that the drawing fills and SetText repaints.
    static CRect TextArea(const CRect& client) { return client.Inset(2); }
    // Where the focus frame is drawn: one pixel inside the text area.
    static CRect FocusRect(const CRect& client) { return client.Inset(3); }

private:
    const QFont* CurrentFont() const;

    std::string m_strText;
    COLORREF m_crBack;
    COLORREF m_crText;
    COLORREF m_crFrameTopLeft;
    COLORREF m_crFrameBottomRight;
    const QFont* m_pFont;
};
