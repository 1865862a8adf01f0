#pragma once

#include <QMainWindow>
#include <QPointer>
#include <map>

#include "monitor/MonitorWindow.h"

class QAction;

// The program's one top-level window: fixed size, centred, with the System and Help menus; its
// client area holds the panel window. It deletes itself when its window is destroyed.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    void SetUp();
    void ShowMainPanel();
    // The frame's client area, parent of the panel window.
    QWidget* Client() const { return m_pClient; }
    // The menu item of a command id, or null.
    QAction* MenuItem(int id) const;

    // Command handlers, by the menu's command ids.
    void OnCommand(int id);
    void OnAutoUpdate();
    void OnReset();
    void OnSelfTest();
    void OnHelpContents();
    void OnAppAbout();
    // Opens the channel monitor, or raises it when it is open.
    void OnChannelMonitor();
    CMonitorWindow* Monitor() const { return m_pMonitor; }
    // Destroys the window at once; the application's clean-up follows.
    void DestroyWindow();
    // False when the user keeps the program open rather than drop an unsaved recording.
    bool MayClose();

    // Tick handler of timer 1.
    void OnTimer();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenu();
    void PostNcDestroy();

    QWidget* m_pClient = nullptr;
    std::map<int, QAction*> m_menuItems;
    int m_bInTimer = 0;
    bool m_bDestroyed = false;
    QPointer<CMonitorWindow> m_pMonitor;
};
