#pragma once

#include "platform/native/Color.h"

// The panel palette: stock white, black, dark grey, grey and light grey; the button shadow,
// highlight and face colours of the moment; the teal of the banner. White for any other index.
COLORREF GetPanelColor(int index);
