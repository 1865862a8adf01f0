#include "platform/SysColors.h"

#include <QApplication>
#include <QPalette>

#include "platform/QtColor.h"

COLORREF GetSysColor(int index) {
    const QPalette palette = QApplication::palette();
    switch (index) {
        case COLOR_BTNSHADOW:
            return FromQColor(palette.color(QPalette::Active, QPalette::Dark));
        case COLOR_BTNHIGHLIGHT:
            return FromQColor(palette.color(QPalette::Active, QPalette::Light));
        case COLOR_BTNFACE:
        default:
            return FromQColor(palette.color(QPalette::Active, QPalette::Button));
    }
}
