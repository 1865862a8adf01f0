#pragma once

#include "platform/SubclassedControl.h"

// A bitmap from the resources in place of a static template control. The bitmap is copied at
// its natural size to the control's top-left corner and nothing else is painted; an id that
// cannot be loaded paints nothing.
//
// The template's controls are narrower than their bitmaps, and Qt clips a widget's painting to
// its rectangle, so the widget is resized to the bitmap when it is taken over: the artwork then
// shows whole and the widget's top-left corner stays where the template put it.
class CArtworkStatic : public CSubclassedControl {
public:
    // Only the low 16 bits of bitmapId name the resource.
    explicit CArtworkStatic(int bitmapId);

    void Draw(CCanvas& dc, const CRect& client) const override;

protected:
    void OnSubclassed(QWidget& wnd) override;

private:
    int ResourceId() const { return m_nBitmapId & 0xFFFF; }

    int m_nBitmapId;
};
