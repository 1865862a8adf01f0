#include "app/MainFrame.h"

#include <QAction>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QScreen>

#include "app/AboutDlg.h"
#include "app/FrameGeometry.h"
#include "app/SfpApp.h"
#include "monitor/MonitorWindow.h"
#include "panel/Pan1Dlg.h"
#include "panel/PanelObjects.h"
#include "platform/HelpViewer.h"
#include "platform/native/Platform.h"
#include "resources/MenuResource.h"
#include "resources/StringTable.h"

CMainFrame::CMainFrame()
    : QMainWindow(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                               Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                               Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
    setWindowTitle(QString::fromStdString(LoadString(IDR_MAINFRAME)));
    setObjectName(QStringLiteral("mainFrame"));
    m_pClient = new QWidget(this);
    m_pClient->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_pClient);
    BuildMenu();

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize desktop = screen != nullptr ? screen->geometry().size() : QSize(1024, 768);
    const FrameRect rect = CenteredFrameRect(desktop.width(), desktop.height());
    move(rect.left, rect.top);
    setFixedSize(rect.right - rect.left, rect.bottom - rect.top);

    GetPlatform().SetTickHandler([this] { OnTimer(); });
}

CMainFrame::~CMainFrame() {
    if (!m_bDestroyed) {
        m_bDestroyed = true;
        GetPlatform().SetTickHandler(nullptr);
    }
}

void CMainFrame::BuildMenu() {
    for (const MenuPopupData& popup : MainMenu()) {
        QMenu* menu = menuBar()->addMenu(QString::fromStdString(popup.text));
        for (const MenuItemData& item : popup.items) {
            if (item.id == 0) {
                menu->addSeparator();
                continue;
            }
            QAction* action = menu->addAction(QString::fromStdString(item.text));
            action->setData(item.id);
            const int id = item.id;
            connect(action, &QAction::triggered, this, [this, id] { OnCommand(id); });
            m_menuItems[id] = action;
        }
    }
    m_menuItems[ID_AUTO_UPDATE]->setCheckable(true);
}

QAction* CMainFrame::MenuItem(int id) const {
    auto it = m_menuItems.find(id);
    return it != m_menuItems.end() ? it->second : nullptr;
}

void CMainFrame::SetUp() {
    IPlatform& platform = GetPlatform();
    CSfpApp& app = SfpApp();
    platform.BeginWaitCursor();
    app.ConnectInstrument();
    app.m_panelList.push_back(std::make_unique<CPan1Obj>(app));
    platform.SetTimer(kTickTimerId, kTickPeriodMs);
    ShowMainPanel();
    platform.EndWaitCursor();
    show();
    activateWindow();
    raise();
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

void CMainFrame::OnCommand(int id) {
    switch (id) {
        case ID_AUTO_UPDATE:
            OnAutoUpdate();
            break;
        case ID_RESET:
            OnReset();
            break;
        case ID_SELF_TEST:
            OnSelfTest();
            break;
        case ID_APP_EXIT:
            if (MayClose()) {
                DestroyWindow();
            }
            break;
        case ID_HELP_CONTENTS:
            OnHelpContents();
            break;
        case ID_APP_ABOUT:
            OnAppAbout();
            break;
        case ID_CHANNEL_MONITOR:
            OnChannelMonitor();
            break;
        default:
            break;
    }
}

void CMainFrame::OnAutoUpdate() {
    CSfpApp& app = SfpApp();
    app.m_bAutoUpdate = app.m_bAutoUpdate != 0 ? 0 : 1;
    m_menuItems[ID_AUTO_UPDATE]->setChecked(app.m_bAutoUpdate == 1);
}

void CMainFrame::OnReset() {
    CSfpApp& app = SfpApp();
    if (app.m_bAutoUpdate != 0) {
        OnAutoUpdate();
    }
    bool threw = false;
    ViStatus failed = VI_SUCCESS;
    {
        // The monitor's sampler waits while the module resets.
        std::lock_guard<std::recursive_mutex> lock(app.m_pInstrument->Guard());
        try {
            app.m_pInstrument->Reset();
        } catch (const CUserException&) {
            threw = true;
            failed = app.m_pInstrument->GetLastStatus();
        }
    }
    if (threw) {
        ReportInstrumentStatus(failed);
    }
}

void CMainFrame::OnSelfTest() {
    CSfpApp& app = SfpApp();
    IPlatform& platform = GetPlatform();
    platform.BeginWaitCursor();
    std::string text;
    bool threw = false;
    ViStatus failed = VI_SUCCESS;
    {
        std::lock_guard<std::recursive_mutex> lock(app.m_pInstrument->Guard());
        try {
            int result = 0;
            text = app.m_pInstrument->SelfTest(&result);
        } catch (const CUserException&) {
            threw = true;
            failed = app.m_pInstrument->GetLastStatus();
        }
    }
    if (threw) {
        platform.EndWaitCursor();
        ReportInstrumentStatus(failed);
        return;
    }
    platform.EndWaitCursor();
    platform.MessageBox(text);
}

void CMainFrame::OnHelpContents() {
    CHelpViewer::ShowContents(this, QStringLiteral("aqk3310.hlp"));
}

void CMainFrame::OnAppAbout() {
    CAboutDlg about(this);
    about.exec();
}

void CMainFrame::OnChannelMonitor() {
    if (m_pMonitor == nullptr) {
        CSfpApp& app = SfpApp();
        // Kept when closed, so that its history stays for the program's life.
        m_pMonitor = new CMonitorWindow(*app.m_pInstrument, app.m_visaLibraryNames, this);
    }
    if (!m_pMonitor->isVisible() && !m_pMonitor->IsSampling()) {
        m_pMonitor->StartSampling();
    }
    m_pMonitor->show();
    m_pMonitor->raise();
    m_pMonitor->activateWindow();
}

void CMainFrame::DestroyWindow() {
    if (m_bDestroyed) {
        return;
    }
    m_bDestroyed = true;
    GetPlatform().KillTimer(kTickTimerId);
    GetPlatform().SetTickHandler(nullptr);
    // The monitor samples the instrument, which goes with the frame.
    delete m_pMonitor;
    hide();
    // Child windows go before the frame's last hook, as they would with the frame's window.
    for (CPan1Dlg* panel : m_pClient->findChildren<CPan1Dlg*>(Qt::FindDirectChildrenOnly)) {
        panel->DestroyWindow();
    }
    PostNcDestroy();
}

void CMainFrame::PostNcDestroy() {
    CSfpApp& app = SfpApp();
    app.ReleaseAll();
    if (app.m_pMainWnd == this) {
        app.m_pMainWnd = nullptr;
    }
    deleteLater();
}

bool CMainFrame::MayClose() {
    return m_pMonitor == nullptr || m_pMonitor->MayDropRecording();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!MayClose()) {
        event->ignore();
        return;
    }
    event->accept();
    DestroyWindow();
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
