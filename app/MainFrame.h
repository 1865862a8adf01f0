#pragma once

#include <QMainWindow>

// The program's one top-level window: fixed size, centred, with the System and Help menus; its
// client area holds the panel window.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    void SetUp();
    void ShowMainPanel();
    // The frame's client area, parent of the panel window.
    QWidget* Client() const { return m_pClient; }

    // Tick handler of timer 1.
    void OnTimer();

private:
    QWidget* m_pClient = nullptr;
    int m_bInTimer = 0;
};
