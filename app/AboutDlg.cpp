#include "app/AboutDlg.h"

#include <QPushButton>

#include "platform/DialogBuilder.h"
#include "platform/DialogItems.h"
#include "resources/DialogTemplates.h"

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    BuildDialogFromTemplate(this, GetDialogTemplate(IDD_ABOUTBOX));
    if (auto* ok = qobject_cast<QPushButton*>(GetDlgItem(this, IDOK))) {
        connect(ok, &QPushButton::clicked, this, &QDialog::accept);
        ok->setFocus();
    }
}
