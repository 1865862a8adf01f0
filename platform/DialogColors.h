#pragma once

#include "platform/native/Color.h"

// Background and text colour of every dialog and message box of the program (and of the
// controls drawn on them by the platform).
void SetDialogBkColor(COLORREF background, COLORREF text);
