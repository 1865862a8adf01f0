#include "panel/PanelObjects.h"

#include "app/SfpApp.h"
#include "panel/Pan1Dlg.h"
#include "resources/StringTable.h"

void CPanel::DestroyPanelWnd() {
    if (m_pWnd != nullptr) {
        m_pWnd->DestroyWindow();
    }
    m_pWnd = nullptr;
}

CPan1Obj::CPan1Obj() : CPanel(LoadString(IDS_MAIN_PANEL)) {}

void CPan1Obj::CreatePanelWnd() {
    CSfpApp& app = SfpApp();
    m_pWnd = new CPan1Dlg(app.MainWindowWidget(), this);
    app.m_pCurrentPanel = this;
}

void CPan1Obj::OnTimerTick() {
    if (m_pWnd != nullptr && SfpApp().m_bAutoUpdate != 0) {
        m_pWnd->OnTakeReading();
    }
}

CSFPObject* FindObject(const PanelList& list, const std::string& name) {
    for (const auto& object : list) {
        if (object->m_strName == name) {
            return object.get();
        }
    }
    return nullptr;
}
