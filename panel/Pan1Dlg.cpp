#include "panel/Pan1Dlg.h"

#include <QPushButton>
#include <QRadioButton>

CPan1Dlg::CPan1Dlg(QWidget* parent, CPanel* owner) : QWidget(parent), m_pOwner(owner) {
    for (int id : {1053, 1054, 1055, 1056, int{IDC_DEC}, int{IDC_HEX}}) {
        m_radios[id] = new QRadioButton(this);
    }
    for (int id : {IDC_PORT_VALUE, IDC_POS_EDGE_REG, IDC_NEG_EDGE_REG}) {
        m_readouts[id] = new QPushButton(this);
    }
    m_radios[IDC_DEC]->setChecked(true);
    m_radios[IDC_PORT0]->setChecked(true);
    OnTakeReading();
}

CPan1Dlg::~CPan1Dlg() = default;

void CPan1Dlg::DestroyWindow() { deleteLater(); }

int CPan1Dlg::GetCheckedRadioButton(int first, int last) const {
    for (int id = first; id <= last; ++id) {
        auto it = m_radios.find(id);
        if (it != m_radios.end() && it->second->isChecked()) {
            return id;
        }
    }
    return 0;
}

std::string CPan1Dlg::GetReadoutText(int id) const {
    return m_readouts.at(id)->text().toStdString();
}

void CPan1Dlg::SetReadoutText(int id, const std::string& text) {
    m_readouts.at(id)->setText(QString::fromStdString(text));
}
