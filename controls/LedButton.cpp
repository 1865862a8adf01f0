#include "controls/LedButton.h"

#include "controls/FaceGeometry.h"
#include "platform/Canvas.h"
#include "platform/SysColors.h"

CLedButton::CLedButton(COLORREF lamp, COLORREF back) : m_crLamp(lamp), m_crBack(back) {}

void CLedButton::SetLampColor(COLORREF lamp) {
    if (lamp != m_crLamp) {
        m_crLamp = lamp;
        RedrawNow(GetClientRect());
    }
}

void CLedButton::Draw(CCanvas& dc, const CRect& client) const {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const CLampGeometry g = LampGeometry(client);

    const CPen previousPen = dc.SelectPen(CPen{1, m_crBack});
    dc.FillSolidRect(client, m_crBack);
    // A face-coloured disc outlined in highlight, then its lower-right half again in shadow.
    dc.SelectPen(CPen{1, GetSysColor(COLOR_BTNHIGHLIGHT)});
    const CBrush previousBrush = dc.SelectBrush(CBrush{face});
    dc.Ellipse(g.bezel);
    dc.SelectPen(CPen{1, GetSysColor(COLOR_BTNSHADOW)});
    dc.Arc(g.bezel, g.arcStart, g.arcEnd);
    dc.SelectPen(CPen{1, face});
    dc.SelectBrush(CBrush{m_crLamp});
    dc.Ellipse(g.lamp);
    dc.SelectPen(previousPen);
    dc.SelectBrush(previousBrush);
}
