#pragma once

#include <QWidget>
#include <map>

#include "panel/PanelReadings.h"

class CPanel;
class QAbstractButton;
class QPushButton;

// The front panel window of "Main Panel".
class CPan1Dlg : public QWidget, public CPanelReadings {
    Q_OBJECT
public:
    CPan1Dlg(QWidget* parent, CPanel* owner);
    ~CPan1Dlg() override;

    // Destroys the window; the object deletes itself afterwards.
    void DestroyWindow();

protected:
    int GetCheckedRadioButton(int first, int last) const override;
    std::string GetReadoutText(int id) const override;
    void SetReadoutText(int id, const std::string& text) override;

private:
    CPanel* m_pOwner;
    std::map<int, QAbstractButton*> m_radios;
    std::map<int, QPushButton*> m_readouts;
};
