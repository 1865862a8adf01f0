#pragma once

#include "platform/native/Color.h"

// The panel palette: stock white, black, dark grey, grey and light grey; the button shadow,
// highlight and face colours of the moment; the teal of the banner. White for any other index.
COLORREF GetPanelColor(int index);

// The palette entries by what the panel paints with them.
enum class PanelColor : int {
    White = 0,
    Text = 1,        // black
    Shadow = 2,      // the system button shadow
    Highlight = 3,   // the system button highlight
    Background = 4,  // dark grey around the body
    Grey = 5,
    Face = 6,  // light grey: the body and the read-outs
    ButtonFace = 7,
    Banner = 8,  // teal
};
inline COLORREF GetPanelColor(PanelColor color) {
    return GetPanelColor(static_cast<int>(color));
}
