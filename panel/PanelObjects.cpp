#include "panel/PanelObjects.h"

#include "panel/Pan1Dlg.h"
#include "panel/PanelHost.h"
#include "resources/StringTable.h"

void CPanel::DestroyPanelWnd() {
    if (m_pWnd != nullptr) {
        m_pWnd->DestroyWindow();
    }
    m_pWnd = nullptr;
}

CPan1Obj::CPan1Obj(IPanelHost& host) : CPanel(LoadString(IDS_MAIN_PANEL), &host) {}

void CPan1Obj::CreatePanelWnd() {
    m_pWnd = new CPan1Dlg(Host()->PanelParent(), this);
    Host()->SetCurrentPanel(this);
}

void CPan1Obj::OnTimerTick() {
    if (m_pWnd != nullptr && Host()->IsAutoUpdateOn()) {
        m_pWnd->OnTimedReading();
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
