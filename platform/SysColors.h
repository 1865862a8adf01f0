#pragma once

#include "platform/native/Color.h"

// System colour indices the panel and its controls read at each drawing.
enum : int {
    COLOR_BTNFACE = 15,
    COLOR_BTNSHADOW = 16,
    COLOR_BTNHIGHLIGHT = 20,
};

// The platform's current colour for the index (read from the application palette).
COLORREF GetSysColor(int index);
