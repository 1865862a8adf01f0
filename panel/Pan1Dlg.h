#pragma once

#include <QDialog>
#include <QPointer>
#include <map>

#include "controls/DisplayStatic.h"
#include "controls/ValueButton.h"
#include "panel/PanelReadings.h"

class CPanel;
class CLedButton;
class CArtworkStatic;
class CCanvas;
struct CRect;

// The front panel window of "Main Panel": a borderless child of the main frame's client area,
// built from dialog template 103. It deletes itself after its window is destroyed.
class CPan1Dlg : public QDialog, public CPanelReadings {
    Q_OBJECT
public:
    CPan1Dlg(QWidget* parent, CPanel* owner);
    ~CPan1Dlg() override;

    // Destroys the window; the object deletes itself once the event loop has let go of it.
    void DestroyWindow();

    CPanel* Owner() const { return m_pOwner; }
    std::string ReadoutText(int id) const { return GetReadoutText(id); }
    // Paints the panel's background: dark grey, with the raised light-grey body inside the
    // rectangle of control 1012.
    static void PaintBackground(CCanvas& canvas, const CRect& client, const CRect& body);

protected:
    int GetCheckedRadioButton(int first, int last) const override;
    std::string GetReadoutText(int id) const override;
    void SetReadoutText(int id, const std::string& text) override;
    // The Active lamp goes dark while the link is lost: green over a dead link would be false.
    void ShowLinkLost(bool lost) override;
    // A mouse press in the panel hides the keyboard's focus cues until the keyboard moves the
    // focus again.
    bool eventFilter(QObject* watched, QEvent* event) override;

    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // The cancel command (Escape): the panel never closes itself.
    void reject() override {}

private:
    void OnInitDialog();
    void ConnectHandlers();
    // Names and values for assistive technology.
    void SetAccessibleTexts();
    void CheckRadioButton(int first, int last, int id);
    CValueButton* ReadoutById(int id);
    // The direct child with that dialog id, as GetDlgItem finds it, from m_items.
    QWidget* Item(int id) const;

    CValueButton m_negEdgeReg;
    CValueButton m_posEdgeReg;
    CValueButton m_portValue;
    CDisplayStatic m_slotDisplay;
    CDisplayStatic m_resourceDisplay;
    CDisplayStatic m_infoStrip;
    CDisplayStatic m_banner;
    CPanel* m_pOwner;
    CLedButton* m_pActiveLamp = nullptr;
    CArtworkStatic* m_pLeftArt = nullptr;
    CArtworkStatic* m_pRightArt = nullptr;
    bool m_bDestroying = false;
    // The template's controls by id, found once when the panel is built: every reading and every
    // paint asks for some of them, and GetDlgItem reads the id property of every child.
    std::map<int, QPointer<QWidget>> m_items;
};
