#include "platform/DialogColors.h"

#include <QApplication>
#include <QPalette>

#include "platform/QtColor.h"

void SetDialogBkColor(COLORREF background, COLORREF text) {
    QPalette palette = QApplication::palette();
    const QColor back = ToQColor(background);
    const QColor fore = ToQColor(text);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Window, back);
        palette.setColor(group, QPalette::Button, back);
        palette.setColor(group, QPalette::WindowText, fore);
        palette.setColor(group, QPalette::ButtonText, fore);
        palette.setColor(group, QPalette::Text, fore);
        // The 3-D edges of the classic dialog look: white highlight, mid-grey shadow.
        palette.setColor(group, QPalette::Light, QColor(255, 255, 255));
        palette.setColor(group, QPalette::Dark, QColor(128, 128, 128));
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, back);
    palette.setColor(QPalette::Disabled, QPalette::Button, back);
    QApplication::setPalette(palette);
}
