#pragma once

#include <QObject>
#include <QPointer>

#include "platform/native/Rect.h"

class CCanvas;
class QWidget;

// A control that takes over the painting of a template control (a child widget carrying a
// dialog id). The widget keeps everything else of its own: clicks, focus and tab order. Either
// may be destroyed first.
class CSubclassedControl : public QObject {
public:
    ~CSubclassedControl() override;

    // Takes over parent's child with that id. False, and nothing changed, when there is no such
    // child or this control has already taken one over.
    bool SubclassDlgItem(int id, QWidget* parent);
    // The widget taken over; null before SubclassDlgItem and after the widget is gone.
    QWidget* GetSafeHwnd() const;

    // Draws the control's whole face. client is the widget's rectangle, whose (0, 0) is the
    // widget's outer top-left corner (a frame of the template control is not set apart).
    virtual void Draw(CCanvas& dc, const CRect& client) const = 0;

protected:
    CSubclassedControl() = default;

    // Called once the widget is taken over, before it is next painted.
    virtual void OnSubclassed(QWidget& /*wnd*/) {}
    // Keeps a static-style control out of focus and mouse handling.
    static void IgnoreInput(QWidget& wnd);

    // The widget's rectangle; empty while nothing is taken over.
    CRect GetClientRect() const;
    // Paints that part of the widget before returning, if it is shown.
    void RedrawNow(const CRect& area);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_pWnd;
};
