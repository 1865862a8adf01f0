#include "vxi11/LockWaits.h"

#include <algorithm>
#include <chrono>

#include "vxi11/RecordStream.h"

namespace vxi11 {

namespace {

Clock::time_point After(std::uint32_t ms) {
    return Clock::now() + std::chrono::milliseconds(ms);
}

}  // namespace

std::int32_t CLockWaits::AwaitAccess(Lock& lock, const LinkPtr& link, std::int32_t flags,
                                     std::uint32_t lockTimeoutMs) {
    const Clock::time_point deadline = After(std::min(lockTimeoutMs, m_maxWaitMs));
    const std::uint64_t aborts = link->aborts;
    for (;;) {
        if (m_stopping || link->destroyed) {
            return link->destroyed ? kInvalidLink : kIoError;
        }
        const std::int32_t owner = m_links.Device(link->device).lockOwner;
        if (owner == 0 || owner == link->id) {
            return kOk;
        }
        if ((flags & kFlagWaitLock) == 0) {
            return kLockedByAnotherLink;
        }
        if (link->aborts != aborts) {
            return kAbort;
        }
        ++m_waiting;
        const std::cv_status waited = m_changed.wait_until(lock, deadline);
        --m_waiting;
        if (waited == std::cv_status::timeout) {
            const std::int32_t now = m_links.Device(link->device).lockOwner;
            if (now != 0 && now != link->id) {
                return kLockedByAnotherLink;
            }
        }
    }
}

std::int32_t CLockWaits::AwaitOutput(Lock& lock, const LinkPtr& link, std::uint32_t ioTimeoutMs) {
    const Clock::time_point deadline = After(std::min(ioTimeoutMs, m_maxWaitMs));
    const std::uint64_t aborts = link->aborts;
    while (link->output.empty()) {
        if (m_stopping || link->destroyed) {
            return kIoError;
        }
        if (link->aborts != aborts) {
            return kAbort;
        }
        ++m_waiting;
        const std::cv_status waited = m_changed.wait_until(lock, deadline);
        --m_waiting;
        if (waited == std::cv_status::timeout && link->output.empty()) {
            return kIoTimeout;
        }
    }
    return kOk;
}

std::int32_t CLockWaits::AwaitReply(Lock& lock, const LinkPtr& link, std::uint32_t ioTimeoutMs) {
    const std::int32_t failed = CLinkTable::TakeFailure(*link);
    if (failed == kOk) {
        return AwaitOutput(lock, link, ioTimeoutMs);
    }
    if (failed != kIoTimeout) {
        return failed;
    }
    const std::int32_t waited = AwaitOutput(lock, link, ioTimeoutMs);
    return waited == kOk ? kIoTimeout : waited;
}

std::int32_t CLockWaits::Acquire(Lock& lock, const LinkPtr& link, std::int32_t flags,
                                 std::uint32_t lockTimeoutMs) {
    const std::int32_t error = AwaitAccess(lock, link, flags, lockTimeoutMs);
    if (error == kOk) {
        m_links.Device(link->device).lockOwner = link->id;
    }
    return error;
}

std::int32_t CLockWaits::Release(const Link& link) {
    ServedDevice& device = m_links.Device(link.device);
    if (device.lockOwner != link.id) {
        return kNoLockHeld;
    }
    device.lockOwner = 0;
    m_changed.notify_all();
    return kOk;
}

void CLockWaits::Abort(Link& link) {
    ++link.aborts;
    m_changed.notify_all();
}

void CLockWaits::Shutdown() {
    m_stopping = true;
    m_changed.notify_all();
}

}  // namespace vxi11
