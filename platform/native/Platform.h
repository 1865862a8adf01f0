#pragma once

#include <functional>
#include <string>
#include <vector>

// The platform services that logic above the windowing layer needs. The Qt implementation
// shows real boxes; tests install a recorder so that what would be shown can be checked in order.
class IPlatform {
public:
    virtual ~IPlatform() = default;

    // A modal message box with the warning icon, one "OK" button and the application title as
    // caption; returns when the user has closed it.
    virtual void MessageBox(const std::string& text) = 0;
    // The system's default beep.
    virtual void MessageBeep() = 0;
    virtual void BeginWaitCursor() = 0;
    virtual void EndWaitCursor() = 0;
    // The main frame's repeating timer.
    virtual void SetTimer(unsigned id, unsigned periodMs) = 0;
    virtual void KillTimer(unsigned id) = 0;
    // Where ticks of the frame's timer go.
    virtual void SetTickHandler(std::function<void()> handler) = 0;
    // The modal Select Instrument dialog over the names, in the order given, first one
    // selected. True on "OK" with the chosen name in selection; false on "Cancel".
    virtual bool SelectInstrument(const std::vector<std::string>& names,
                                  std::string& selection) = 0;
};

// The services in force. Never null: before one is installed a silent fallback answers.
IPlatform& GetPlatform();
// Installs the services (not owned); null restores the fallback. Returns the previous one.
IPlatform* SetPlatform(IPlatform* platform);

constexpr unsigned kTickTimerId = 1;
constexpr unsigned kTickPeriodMs = 300;
