#pragma once
// The library's one shared state: the lock, its condition variables, the scenario in force and
// the session table. One lock guards it all; waits (reads, locks, events) release it on
// m_changed. The parts of the library each work on this state and hold no state of their own.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sim/library/Session.h"
#include "sim/library/Trace.h"

namespace sim {

class CRemoteLink;

using LibraryLock = std::unique_lock<std::mutex>;

// An event handler's call, made on the library's thread outside the lock.
struct HandlerCall {
    EventHandler handler;
    ViSession vi;
    ViEvent context;
    ViAddr user;
};

class CLibraryState {
public:
    CLibraryState() = default;
    CLibraryState(const CLibraryState&) = delete;
    CLibraryState& operator=(const CLibraryState&) = delete;

    Session* Find(ViObject vi);
    Session* Find(ViObject vi, Session::Kind kind);
    // Gives the session a number no open session has, even after the counter wraps.
    ViSession NewSession(Session session);
    void Record(std::string line) { trace.Record(std::move(line)); }
    static long long NowMs();
    // Waits on changed until ready() or timeoutMs passed; false on time-out.
    template <typename Ready>
    bool WaitFor(LibraryLock& lock, ViUInt32 timeoutMs, Ready ready) {
        if (timeoutMs == VI_TMO_INFINITE) {
            changed.wait(lock, ready);
            return true;
        }
        return changed.wait_until(
            lock, std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs), ready);
    }

    std::mutex mutex;
    std::condition_variable changed;  // output, locks, events, sessions
    std::condition_variable wake;     // the library's thread
    std::shared_ptr<Generation> current;
    std::map<ViSession, Session> sessions;
    ViSession nextSession = 1;
    // Transports of sessions closed under the lock, destroyed once it is released (ending a
    // network link waits for its interrupt channel's thread, which may be waiting for the lock).
    std::vector<std::shared_ptr<ISessionTransport>> closedTransports;
    CTrace trace;
    std::deque<HandlerCall> calls;  // for the library's thread
    std::thread worker;             // the library's thread, started when first needed
    unsigned keys = 0;              // shared lock keys handed out
    bool stop = false;              // the library is being unloaded
};

}  // namespace sim
