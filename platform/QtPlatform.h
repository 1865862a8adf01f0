#pragma once

#include <QTimer>
#include <functional>

#include "platform/native/Platform.h"

class QWidget;

// The platform services on Qt: real modal boxes, the override cursor, the system beep and the
// frame's tick timer.
class CQtPlatform : public IPlatform {
public:
    CQtPlatform();
    ~CQtPlatform() override;

    void MessageBox(const std::string& text) override;
    void MessageBeep() override;
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void SetTimer(unsigned id, unsigned periodMs) override;
    void KillTimer(unsigned id) override;

    void SetTickHandler(std::function<void()> handler) override { m_onTick = std::move(handler); }
    bool SelectInstrument(const std::vector<std::string>& names, std::string& selection) override;
    bool IsTimerActive() const { return m_timer.isActive(); }
    int TimerInterval() const { return m_timer.interval(); }

private:
    QTimer m_timer;
    std::function<void()> m_onTick;
    int m_waitDepth = 0;
};
