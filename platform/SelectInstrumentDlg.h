#pragma once

#include <QDialog>
#include <string>
#include <vector>

class QComboBox;

// The Select Instrument dialog (template 107): the accepted resource names in a drop-down list,
// first one selected; "OK" confirms the selected name.
class CSelectInstrumentDlg : public QDialog {
    Q_OBJECT
public:
    CSelectInstrumentDlg(QWidget* parent, const std::vector<std::string>& names);

    const std::string& Selection() const { return m_strSelection; }
    QComboBox* List() const { return m_pList; }

    void accept() override;

private:
    const std::vector<std::string>& m_names;
    std::string m_strSelection;
    QComboBox* m_pList = nullptr;
};
