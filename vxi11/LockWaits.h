#pragma once

// Locks and waits of the VXI-11 server: device_lock and device_unlock, the waits for a lock or
// a reply, and what ends them early (an abort, the link destroyed when its client closes, the
// server shutting down). Apart so that every wait and what wakes it read in one place. Its
// waits release the server's one lock, which the caller holds.

#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "vxi11/LinkTable.h"

namespace vxi11 {

class CLockWaits {
public:
    using Lock = std::unique_lock<std::mutex>;

    explicit CLockWaits(CLinkTable& links) : m_links(links) {}

    // Caps every wait a call asks for; the fuzzer waits for nothing.
    void SetMaxWait(std::uint32_t ms) { m_maxWaitMs = ms; }

    // Waits, when flags allow, until no other link holds the device's lock.
    std::int32_t AwaitAccess(Lock& lock, const LinkPtr& link, std::int32_t flags,
                             std::uint32_t lockTimeoutMs);
    // A read's wait: for the reply, or the error of a command whose reply never comes (a reply
    // that comes meanwhile still ends a timed-out command's wait, as a time-out).
    std::int32_t AwaitReply(Lock& lock, const LinkPtr& link, std::uint32_t ioTimeoutMs);
    // device_lock: waits as flags allow, then holds the device's lock for the link.
    std::int32_t Acquire(Lock& lock, const LinkPtr& link, std::int32_t flags,
                         std::uint32_t lockTimeoutMs);
    // device_unlock: kNoLockHeld when the link does not hold its device's lock.
    std::int32_t Release(const Link& link);
    // Ends the link's waiting call with kAbort.
    void Abort(Link& link);

    // After anything a wait looks at changed: a lock, a link's output, a link destroyed.
    void Notify() { m_changed.notify_all(); }
    // Ends every wait at once (with an I/O error); Stopping() tells new calls to refuse.
    void Shutdown();
    bool Stopping() const { return m_stopping; }
    // Calls now waiting for a lock or a reply.
    int Waiting() const { return m_waiting; }

private:
    // Waits until the link has output or the time-out passes; the error otherwise.
    std::int32_t AwaitOutput(Lock& lock, const LinkPtr& link, std::uint32_t ioTimeoutMs);

    CLinkTable& m_links;
    std::condition_variable m_changed;
    std::uint32_t m_maxWaitMs = UINT32_MAX;
    bool m_stopping = false;
    int m_waiting = 0;
};

}  // namespace vxi11
