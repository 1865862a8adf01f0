#include "panel/PanelColors.h"

#include "platform/SysColors.h"

COLORREF GetPanelColor(int index) {
    switch (index) {
        case 0:
            return MakeRgb(255, 255, 255);
        case 1:
            return MakeRgb(0, 0, 0);
        case 2:
            return GetSysColor(COLOR_BTNSHADOW);
        case 3:
            return GetSysColor(COLOR_BTNHIGHLIGHT);
        case 4:
            return MakeRgb(64, 64, 64);
        case 5:
            return MakeRgb(128, 128, 128);
        case 6:
            return MakeRgb(192, 192, 192);
        case 7:
            return GetSysColor(COLOR_BTNFACE);
        case 8:
            // Palette-relative teal; the flag byte is ignored when drawing.
            return 0x02808000u;
        default:
            return 0x00FFFFFFu;
    }
}
