#pragma once
// How service requests reach sessions: queued, counted for a suspended handler, or handed to
// handlers on the library's own thread. That thread also steps real-time modules whose service
// requests someone waits for, so that an edge is seen when it happens, not at the next command.

#include "sim/library/LibraryState.h"

namespace sim {

class CEventThread {
public:
    // After anything that can change a device's status byte: a rising service request is
    // delivered to every session of the resource that enabled it. The lock is held.
    static void Deliver(CLibraryState& state, const std::shared_ptr<Resource>& resource);
    // One service request for one session, by the mechanisms it enabled; true when queued.
    static bool Signal(CLibraryState& state, ViSession vi, Session& session);
    // Hands one event to each of the session's handlers, newest first, on the library's thread.
    static void Dispatch(CLibraryState& state, ViSession vi, Session& session);
    static void EnsureRunning(CLibraryState& state);
    // Ends the thread (at unload).
    static void Stop(CLibraryState& state);

private:
    static void Work(CLibraryState& state);
};

}  // namespace sim
