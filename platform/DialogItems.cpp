#include "platform/DialogItems.h"

#include <QVariant>
#include <QWidget>

void SetDlgCtrlId(QWidget* control, int id) {
    control->setProperty(kDlgCtrlIdProperty, id);
}

int GetDlgCtrlId(const QWidget* control) {
    const QVariant id = control->property(kDlgCtrlIdProperty);
    return id.isValid() ? id.toInt() : 0;
}

QWidget* GetDlgItem(const QWidget* parent, int id) {
    for (QWidget* child : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (GetDlgCtrlId(child) == id) {
            return child;
        }
    }
    return nullptr;
}
