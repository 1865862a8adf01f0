#pragma once

#include "platform/SubclassedControl.h"
#include "platform/native/Color.h"

// A round indicator lamp in a raised bezel. It takes over an owner-drawn QPushButton and looks
// the same pressed or not; the bezel follows the system's button colours at each drawing.
class CLedButton : public CSubclassedControl {
public:
    // back fills the control's rectangle around the bezel.
    CLedButton(COLORREF lamp, COLORREF back);

    // Repaints the lamp in another colour before returning, when it changes.
    void SetLampColor(COLORREF lamp);

    void Draw(CCanvas& dc, const CRect& client) const override;

private:
    COLORREF m_crLamp;
    COLORREF m_crBack;
};
