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
    }
    palette.setColor(QPalette::Disabled, QPalette::Window, back);
    palette.setColor(QPalette::Disabled, QPalette::Button, back);
    QApplication::setPalette(palette);
}
