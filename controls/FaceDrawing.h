#pragma once

#include <string>

#include "platform/native/Color.h"
#include "platform/native/Rect.h"

class CCanvas;

// Drawing steps shared by the read-out controls.

// The 2-pixel frame on f, top and left lines in one colour, bottom and right in the other. The
// canvas's pen is left as it was.
void DrawFrame(CCanvas& dc, const CRect& f, COLORREF topLeft, COLORREF bottomRight);

// text in the canvas's current font, placed in area by TextOrigin and clipped to area. An empty
// text draws nothing.
// The focus frame of an owner-drawn button: every other pixel of the rectangle's outline (its
// right and bottom edges inside, as for any rectangle), starting at its top-left corner.
void DrawFocusDots(CCanvas& dc, const CRect& r, COLORREF color);
void DrawPlacedText(CCanvas& dc, const CRect& area, const std::string& text, COLORREF color);
