#include "platform/SelectInstrumentDlg.h"

#include <QComboBox>
#include <QPushButton>

#include "platform/DialogBuilder.h"
#include "platform/DialogItems.h"
#include "resources/DialogTemplates.h"

CSelectInstrumentDlg::CSelectInstrumentDlg(QWidget* parent, const std::vector<std::string>& names)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_names(names) {
    BuildDialogFromTemplate(this, GetDialogTemplate(IDD_SELECT_INSTRUMENT));
    m_pList = qobject_cast<QComboBox*>(GetDlgItem(this, 1042));
    for (const std::string& name : m_names) {
        m_pList->addItem(QString::fromStdString(name));
    }
    m_pList->setCurrentIndex(m_names.empty() ? -1 : 0);
    m_pList->setFocus();
    if (auto* ok = qobject_cast<QPushButton*>(GetDlgItem(this, IDOK))) {
        connect(ok, &QPushButton::clicked, this, &CSelectInstrumentDlg::accept);
    }
    if (auto* cancel = qobject_cast<QPushButton*>(GetDlgItem(this, IDCANCEL))) {
        connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    }
}

void CSelectInstrumentDlg::accept() {
    m_strSelection = m_pList->currentText().toStdString();
    QDialog::accept();
}
