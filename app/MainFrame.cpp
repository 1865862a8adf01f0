#include "app/MainFrame.h"

#include "app/SfpApp.h"
#include "panel/PanelObjects.h"
#include "platform/native/Platform.h"
#include "resources/StringTable.h"

CMainFrame::CMainFrame() {
    setWindowTitle(QString::fromStdString(LoadString(IDR_MAINFRAME)));
    m_pClient = new QWidget(this);
    setCentralWidget(m_pClient);
    resize(402, 404);
    GetPlatform().SetTickHandler([this] { OnTimer(); });
}

CMainFrame::~CMainFrame() { GetPlatform().SetTickHandler(nullptr); }

void CMainFrame::SetUp() {
    IPlatform& platform = GetPlatform();
    CSfpApp& app = SfpApp();
    platform.BeginWaitCursor();
    app.ConnectInstrument();
    app.m_panelList.push_back(std::make_unique<CPan1Obj>());
    platform.SetTimer(kTickTimerId, kTickPeriodMs);
    ShowMainPanel();
    platform.EndWaitCursor();
    show();
    activateWindow();
}

void CMainFrame::ShowMainPanel() {
    CSfpApp& app = SfpApp();
    auto* panel = dynamic_cast<CPanel*>(FindObject(app.m_panelList, LoadString(IDS_MAIN_PANEL)));
    if (panel == nullptr) {
        return;
    }
    if (auto* current = dynamic_cast<CPanel*>(app.m_pCurrentPanel)) {
        current->DestroyPanelWnd();
    }
    panel->CreatePanelWnd();
}

void CMainFrame::OnTimer() {
    if (m_bInTimer != 0) {
        return;
    }
    m_bInTimer = 1;
    for (auto& object : SfpApp().m_panelList) {
        if (auto* panel = dynamic_cast<CPanel*>(object.get())) {
            panel->OnTimerTick();
        }
    }
    m_bInTimer = 0;
}
