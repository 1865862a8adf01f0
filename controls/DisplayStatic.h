#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

#include "platform/SubclassedControl.h"
#include "platform/native/Color.h"

class QFont;

// A passive read-out: a box in the background colour with an optional 2-pixel frame and an
// optional line of centred text. It takes over a static template control (QLabel or QFrame)
// whose own text and frame are never shown, and takes no focus and no click.
class CDisplayStatic : public CSubclassedControl {
public:
    // Note the order: framed comes before font. font is borrowed; fontSourceWnd is a window
    // whose current font is used at each drawing unless font is given.
    CDisplayStatic(COLORREF back, COLORREF text, COLORREF frameTopLeft, COLORREF frameBottomRight,
                   bool framed, const QFont* font = nullptr,
                   const QWidget* fontSourceWnd = nullptr);
    // Catches a font passed where the framed flag goes, which would otherwise become "true".
    template <typename... Rest>
    CDisplayStatic(COLORREF, COLORREF, COLORREF, COLORREF, const QFont*, Rest&&...) = delete;

    // Stores the text and repaints the display before returning, as a paint would leave it.
    void SetText(const std::string& text);
    const std::string& GetText() const { return m_strText; }
    // Shows text as the display's tooltip when the mouse rests on it. The display then sees the
    // mouse, for the hover, but still takes no click: a press goes on to the window beneath.
    void SetToolTip(const std::string& text);

    void Draw(CCanvas& dc, const CRect& client) const override;

    // The owner may change these before the display is first painted. A window that goes away
    // stops being a font source.
    COLORREF m_crFrameTopLeft;
    COLORREF m_crFrameBottomRight;
    QPointer<const QWidget> m_pFontSourceWnd;

protected:
    void OnSubclassed(QWidget& wnd) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    const QFont* CurrentFont() const;

    std::string m_strText;
    COLORREF m_crBack;
    COLORREF m_crText;
    const QFont* m_pFont;
    bool m_bFramed;
};
