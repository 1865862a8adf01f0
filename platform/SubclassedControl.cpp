#include "platform/SubclassedControl.h"

#include <QEvent>
#include <QPainter>
#include <QWidget>

#include "platform/DialogItems.h"
#include "platform/PainterCanvas.h"

CSubclassedControl::~CSubclassedControl() {
    if (m_pWnd) {
        m_pWnd->removeEventFilter(this);
    }
}

bool CSubclassedControl::SubclassDlgItem(int id, QWidget* parent) {
    if (m_pWnd || parent == nullptr) {
        return false;
    }
    QWidget* wnd = GetDlgItem(parent, id);
    if (wnd == nullptr) {
        return false;
    }
    m_pWnd = wnd;
    OnSubclassed(*wnd);
    wnd->installEventFilter(this);
    wnd->update();
    return true;
}

QWidget* CSubclassedControl::GetSafeHwnd() const {
    return m_pWnd.data();
}

void CSubclassedControl::IgnoreInput(QWidget& wnd) {
    wnd.setFocusPolicy(Qt::NoFocus);
    wnd.setAttribute(Qt::WA_TransparentForMouseEvents);
}

CRect CSubclassedControl::GetClientRect() const {
    if (!m_pWnd) {
        return {};
    }
    return {0, 0, m_pWnd->width(), m_pWnd->height()};
}

void CSubclassedControl::RedrawNow(const CRect& area) {
    if (m_pWnd && !area.IsEmpty()) {
        m_pWnd->repaint(area.left, area.top, area.Width(), area.Height());
    }
}

bool CSubclassedControl::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint && watched == m_pWnd) {
        // The widget's own painting (caption, bevel, focus frame) is replaced, not added to.
        QPainter painter(m_pWnd.data());
        CPainterCanvas dc(painter);
        Draw(dc, GetClientRect());
        return true;
    }
    return QObject::eventFilter(watched, event);
}
