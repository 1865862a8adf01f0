#include "app/SfpApp.h"

#include <QAction>
#include <QApplication>
#include <cassert>

#include "app/MainFrame.h"
#include "app/Program.h"
#include "app/options/CommandLine.h"
#include "instrument/StatusReporting.h"
#include "platform/DialogColors.h"
#include "platform/native/Platform.h"
#include "resources/MenuResource.h"

namespace {
CSfpApp* g_pApp = nullptr;
}

CSfpApp::CSfpApp(const std::string& commandLine)
    : CConnectionState(ConnectionOptionsFrom(CCommandLine(commandLine))) {
    g_pApp = this;
}

CSfpApp::~CSfpApp() {
    if (g_pApp == this) {
        g_pApp = nullptr;
    }
}

CSfpApp& SfpApp() {
    assert(g_pApp != nullptr);
    return *g_pApp;
}

void ReportInstrumentStatus(ViStatus status) {
    ReportInstrumentStatus(status, *SfpApp().m_pInstrument);
}

void CSfpApp::ReportStatus(ViStatus status) {
    ReportInstrumentStatus(status, *m_pInstrument);
}

void CSfpApp::StopAutoUpdate() {
    m_bAutoUpdate = 0;
    if (m_pMainWnd != nullptr) {
        if (QAction* item = m_pMainWnd->MenuItem(ID_AUTO_UPDATE)) {
            item->setChecked(false);
        }
    }
}

bool CSfpApp::InitInstance() {
    SetDialogBkColor(kColorLightGrey, MakeRgb(0, 0, 0));
    // Every top-level window takes it from here, message boxes and dialogs included.
    QApplication::setWindowIcon(AppIcon());
    m_pMainWnd = new CMainFrame();
    m_pMainWnd->SetUp();
    return true;
}

int CSfpApp::GetSlot() const {
    return m_pInstrument != nullptr && m_pInstrument->IsLive() ? m_nSlot : -1;
}

void CSfpApp::ReleaseAll() {
    for (auto& object : m_panelList) {
        object.reset();
    }
    m_panelList.clear();
    m_pCurrentPanel = nullptr;
    m_pInstrument.reset();
}

QWidget* CSfpApp::MainWindowWidget() const {
    return m_pMainWnd != nullptr ? m_pMainWnd->Client() : nullptr;
}
