#pragma once
// VISA's events on instrument sessions (service requests): enabling mechanisms, the queue,
// handlers and suspended handlers. Delivery and the library's thread are in CEventThread.

#include "sim/library/LibraryState.h"

namespace sim {

class CEvents {
public:
    explicit CEvents(CLibraryState& state) : m_state(state) {}
    ViStatus Enable(ViSession vi, ViEventType type, ViUInt16 mechanism);
    ViStatus Disable(ViSession vi, ViEventType type, ViUInt16 mechanism);
    ViStatus Discard(ViSession vi, ViEventType type, ViUInt16 mechanism);
    ViStatus Wait(ViSession vi, ViEventType type, ViUInt32 timeout, ViEventType* outType,
                  ViEvent* outContext);
    ViStatus InstallHandler(ViSession vi, ViEventType type, EventHandler handler, ViAddr user);
    ViStatus UninstallHandler(ViSession vi, ViEventType type, EventHandler handler, ViAddr user);

private:
    // The I/O session an event call names, or the status that refuses the call. The lock is held.
    ViStatus EventSession(ViSession vi, ViEventType type, Session** session);
    CLibraryState& m_state;
};

}  // namespace sim
