#pragma once

#include <memory>
#include <string>

#include "instrument/Connection.h"
#include "panel/PanelHost.h"
#include "panel/PanelObjects.h"

class CMainFrame;
class QWidget;

// The application object: owns the instrument and the panel objects for the whole run and
// keeps what the connection found for the panel to show.
class CSfpApp : public CConnectionState, public IPanelHost {
public:
    explicit CSfpApp(const std::string& commandLine = std::string());
    ~CSfpApp() override;
    CSfpApp(const CSfpApp&) = delete;
    CSfpApp& operator=(const CSfpApp&) = delete;

    // Start-up: dialog colours, hidden main frame, its SetUp, shown frame. Always true.
    bool InitInstance();
    // The slot when the instrument is live, otherwise -1.
    int GetSlot() const;
    // Exit clean-up: panel objects in list order, then the instrument.
    void ReleaseAll();

    QWidget* MainWindowWidget() const;

    // What the panels are given.
    CInstrument& Instrument() override { return *m_pInstrument; }
    void ReportStatus(ViStatus status) override;
    int Slot() const override { return GetSlot(); }
    std::string ResourceName() const override { return m_strResourceName; }
    COLORREF StatusColor() const override { return m_crStatus; }
    QWidget* PanelParent() const override { return MainWindowWidget(); }
    void SetCurrentPanel(CSFPObject* panel) override { m_pCurrentPanel = panel; }
    bool IsAutoUpdateOn() const override { return m_bAutoUpdate != 0; }
    void StopAutoUpdate() override;

    // Also from the connection state: m_pInstrument, m_crStatus, m_nSlot, m_strResourceName.
    PanelList m_panelList;
    CSFPObject* m_pCurrentPanel = nullptr;
    int m_bAutoUpdate = 0;

    // The main frame while its window exists; it deletes itself when destroyed.
    CMainFrame* m_pMainWnd = nullptr;
};

// The current application object (the one most recently constructed and still alive).
CSfpApp& SfpApp();

// Status reporting for the current application's instrument.
void ReportInstrumentStatus(ViStatus status);
