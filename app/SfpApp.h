#pragma once

#include <memory>
#include <string>

#include "app/options/CommandLine.h"
#include "instrument/Instrument.h"
#include "panel/PanelObjects.h"
#include "platform/native/Color.h"

class CMainFrame;
class QWidget;

// The application object: owns the instrument and the panel objects for the whole run and
// keeps what the connection found for the panel to show.
class CSfpApp {
public:
    explicit CSfpApp(const std::string& commandLine = std::string());
    ~CSfpApp();
    CSfpApp(const CSfpApp&) = delete;
    CSfpApp& operator=(const CSfpApp&) = delete;

    // Start-up: dialog colours, hidden main frame, its SetUp, shown frame. Always true.
    bool InitInstance();
    // The slot when the instrument is live, otherwise -1.
    int GetSlot() const;
    bool ConnectInstrument();
    void CreateEmulatedInstrument();
    // Exit clean-up: panel objects in list order, then the instrument.
    void ReleaseAll();

    const CCommandLine& CommandLine() const { return m_commandLine; }
    QWidget* MainWindowWidget() const;

    std::unique_ptr<CInstrument> m_pInstrument;
    COLORREF m_crStatus = 0;
    PanelList m_panelList;
    CSFPObject* m_pCurrentPanel = nullptr;
    int m_bAutoUpdate = 0;
    int m_nSlot = 0;
    std::string m_strResourceName;

    // The main frame while its window exists; it deletes itself when destroyed.
    CMainFrame* m_pMainWnd = nullptr;

private:
    CCommandLine m_commandLine;
};

// The current application object (the one most recently constructed and still alive).
CSfpApp& SfpApp();

// Status reporting for the current application's instrument.
void ReportInstrumentStatus(ViStatus status);
