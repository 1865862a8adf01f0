#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/native/Platform.h"

// Records what the program would show, in order, as short strings:
// "box:<text>", "beep", "wait+", "wait-", "timer+<id>:<ms>", "timer-<id>".
// Installed for its lifetime.
class CRecordingPlatform : public IPlatform {
public:
    CRecordingPlatform();
    ~CRecordingPlatform() override;

    void MessageBox(const std::string& text) override;
    void MessageBeep() override { events.push_back("beep"); }
    void BeginWaitCursor() override;
    void EndWaitCursor() override;
    void SetTimer(unsigned id, unsigned periodMs) override;
    void KillTimer(unsigned id) override;
    void SetTickHandler(std::function<void()> handler) override { tick = std::move(handler); }
    // Records "select:<n1>|<n2>|..." and answers with onSelect (default: Cancel).
    bool SelectInstrument(const std::vector<std::string>& names, std::string& selection) override;

    std::vector<std::string> Boxes() const;
    int Count(const std::string& event) const;

    std::vector<std::string> events;
    int waitDepth = 0;
    bool timerRunning = false;
    std::function<void()> tick;
    // Called while a box is "open", e.g. to deliver a tick during a modal loop.
    std::function<void(const std::string&)> onBox;
    std::function<bool(const std::vector<std::string>&, std::string&)> onSelect;

private:
    IPlatform* m_pPrevious;
};
