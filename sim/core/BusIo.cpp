// The simulated bus's message and register I/O, locks, and service request events.
#include <algorithm>
#include <chrono>
#include <cstring>

#include "sim/core/Bus.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace sim {

namespace {

// A trace line keeps this much of a write; the rest is counted, not kept.
constexpr std::size_t kMaxTraceText = 200;
// The VXI configuration registers of a device: 64 bytes of A16 space.
constexpr ViBusAddress kRegisterBytes = 0x40;

std::chrono::steady_clock::time_point Deadline(ViUInt32 timeoutMs) {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
}

bool KnownEvent(ViEventType type) {
    return type == VI_EVENT_SERVICE_REQ || type == VI_ALL_ENABLED_EVENTS;
}

// What disabling or discarding may name: VI_ALL_MECH, or any mix of the three mechanisms.
bool MechanismsToStop(ViUInt16 mechanism) {
    return mechanism != 0 && (mechanism == VI_ALL_MECH ||
                              (mechanism & ~(VI_QUEUE | VI_HNDLR | VI_SUSPEND_HNDLR)) == 0);
}

}  // namespace

template <typename Ready>
bool CBus::WaitFor(Lock_& lock, ViUInt32 timeoutMs, Ready ready) {
    if (timeoutMs == VI_TMO_INFINITE) {
        m_changed.wait(lock, ready);
        return true;
    }
    return m_changed.wait_until(lock, Deadline(timeoutMs), ready);
}

ViStatus CBus::EventSession(ViSession vi, ViEventType type, Session** session) {
    *session = Find(vi);
    if (*session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (FindIo(vi) == nullptr || !KnownEvent(type)) {
        return VI_ERROR_INV_EVENT;
    }
    return VI_SUCCESS;
}

bool CBus::MayAccess(const Resource& resource, ViSession vi) {
    if (resource.exclusiveOwner != VI_NULL) {
        return resource.exclusiveOwner == vi;
    }
    return resource.sharedHolders.empty() || resource.sharedHolders.count(vi) != 0;
}

ViStatus CBus::IoSession(ViSession vi, Session** session) {
    Session* found = Find(vi);
    if (found == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (found->kind != Session::Kind::Instrument) {
        return VI_ERROR_NSUP_OPER;
    }
    if (!MayAccess(*found->resource, vi)) {
        return VI_ERROR_RSRC_LOCKED;
    }
    *session = found;
    return VI_SUCCESS;
}

ViStatus CBus::Write(ViSession vi, const ViByte* buffer, ViUInt32 count, ViUInt32* written,
                     bool end) {
    // The caller's counts start at zero whatever the call comes to.
    if (written != nullptr) {
        *written = 0;
    }
    if (RemoteCall remote; TakeRemote(vi, &remote)) {
        if (buffer == nullptr && count > 0) {
            return VI_ERROR_USER_BUF;
        }
        return remote.link->Write(buffer, count, end && remote.sendEnd, remote.timeoutMs, written);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* session = nullptr;
    if (const ViStatus refused = IoSession(vi, &session); refused != VI_SUCCESS) {
        return refused;
    }
    if (buffer == nullptr && count > 0) {
        return VI_ERROR_USER_BUF;
    }
    const std::shared_ptr<Resource> resource = session->resource;
    const char* text = reinterpret_cast<const char*>(buffer);
    // Line ends are shown, so that a trace tells "*IDN?" from "*IDN?\n"; a long write is cut.
    std::string shown;
    for (std::size_t i = 0; i < count && shown.size() < kMaxTraceText; ++i) {
        shown += text[i] == '\n'   ? std::string("\\n")
                 : text[i] == '\r' ? std::string("\\r")
                                   : std::string(1, text[i]);
    }
    if (count > kMaxTraceText) {
        shown += "... (" + std::to_string(count) + " bytes)";
    }
    Record("write " + resource->scenario.name + " " + shown);
    if (count > 0) {
        resource->input.append(text, count);
    }
    if (!(end && session->sendEnd)) {
        // Without END the message goes on in the next write.
        if (written != nullptr) {
            *written = count;
        }
        return VI_SUCCESS;
    }
    std::string message;
    message.swap(resource->input);
    const CDevice::Outcome outcome = resource->device->Execute(message, NowMs());
    for (std::string& note : resource->device->TakeNotes()) {
        Record(std::move(note));
    }
    Deliver(resource);
    if (outcome.writeStatus < 0) {
        return outcome.writeStatus;
    }
    // A new command discards a reply nobody read, as an instrument does.
    resource->output = outcome.hasReply ? outcome.reply : std::string();
    resource->outputEnds = outcome.replyEnds;
    resource->pendingRead = outcome.readStatus;
    m_changed.notify_all();
    if (written != nullptr) {
        *written = count;
    }
    return outcome.writeStatus;
}

ViStatus CBus::Read(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* read, bool* end) {
    if (read != nullptr) {
        *read = 0;
    }
    if (end != nullptr) {
        *end = false;
    }
    if (RemoteCall remote; TakeRemote(vi, &remote)) {
        if (buffer == nullptr && count > 0) {
            return VI_ERROR_USER_BUF;
        }
        if (count == 0) {
            return VI_SUCCESS_MAX_CNT;
        }
        return remote.link->Read(buffer, count, remote.termChar, remote.timeoutMs, read, end);
    }
    Lock_ lock(m_mutex);
    Session* session = nullptr;
    if (const ViStatus refused = IoSession(vi, &session); refused != VI_SUCCESS) {
        return refused;
    }
    if (buffer == nullptr && count > 0) {
        return VI_ERROR_USER_BUF;
    }
    const std::shared_ptr<Resource> resource = session->resource;
    Record("read " + resource->scenario.name);
    if (count == 0) {
        return VI_SUCCESS_MAX_CNT;  // full before the first byte
    }
    const ViUInt32 timeoutMs = session->timeoutMs;
    const bool termCharEnabled = session->termCharEnabled;
    const ViByte termChar = session->termChar;
    const bool suppressEnd = session->suppressEnd;
    std::size_t got = 0;
    for (;;) {
        if (resource->pendingRead < 0 && got == 0) {
            const ViStatus status = resource->pendingRead;
            resource->pendingRead = VI_SUCCESS;
            return status;
        }
        if (!resource->output.empty()) {
            std::size_t take = std::min<std::size_t>(count - got, resource->output.size());
            bool atTermChar = false;
            if (termCharEnabled) {
                const std::size_t at = resource->output.find(static_cast<char>(termChar));
                if (at != std::string::npos && at < take) {
                    take = at + 1;
                    atTermChar = true;
                }
            }
            std::memcpy(buffer + got, resource->output.data(), take);
            resource->output.erase(0, take);
            got += take;
            if (read != nullptr) {
                *read = static_cast<ViUInt32>(got);
            }
            const bool atEnd = resource->output.empty() && resource->outputEnds && !suppressEnd;
            if (end != nullptr) {
                *end = atEnd || atTermChar;
            }
            if (atEnd) {
                return VI_SUCCESS;
            }
            if (atTermChar) {
                return VI_SUCCESS_TERM_CHAR;
            }
            if (got == count) {
                return VI_SUCCESS_MAX_CNT;
            }
        }
        // Nothing (more) to read: wait for a reply, as long as the session's time-out allows.
        const bool ready = WaitFor(lock, timeoutMs, [&] {
            return m_stop || !resource->output.empty() || resource->pendingRead < 0 ||
                   Find(vi, Session::Kind::Instrument) == nullptr;
        });
        if (!ready) {
            return VI_ERROR_TMO;
        }
        if (Find(vi, Session::Kind::Instrument) == nullptr || m_stop) {
            return VI_ERROR_INV_OBJECT;
        }
    }
}

ViStatus CBus::ReadSTB(ViSession vi, ViUInt16* status) {
    if (RemoteCall remote; TakeRemote(vi, &remote)) {
        return status != nullptr ? remote.link->ReadStb(status) : VI_ERROR_INV_PARAMETER;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* session = nullptr;
    if (const ViStatus refused = IoSession(vi, &session); refused != VI_SUCCESS) {
        return refused;
    }
    if (status == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    const std::shared_ptr<Resource> resource = session->resource;
    resource->device->CatchUp(NowMs());
    Deliver(resource);
    *status = resource->device->IsModule() ? resource->device->StatusByte() : 0;
    return VI_SUCCESS;
}

ViStatus CBus::Clear(ViSession vi) {
    if (RemoteCall remote; TakeRemote(vi, &remote)) {
        return remote.link->Clear();
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* session = nullptr;
    if (const ViStatus refused = IoSession(vi, &session); refused != VI_SUCCESS) {
        return refused;
    }
    Resource& resource = *session->resource;
    Record("clear " + resource.scenario.name);
    resource.input.clear();
    resource.output.clear();
    resource.outputEnds = true;
    resource.pendingRead = VI_SUCCESS;
    return VI_SUCCESS;
}

ViStatus CBus::AssertTrigger(ViSession vi, ViUInt16 protocol) {
    if (RemoteCall remote; TakeRemote(vi, &remote)) {
        return protocol == 0 ? remote.link->Trigger() : ViStatusFromBits(0xBFFF0079);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* session = nullptr;
    if (const ViStatus refused = IoSession(vi, &session); refused != VI_SUCCESS) {
        return refused;
    }
    constexpr ViUInt16 kDefaultProtocol = 0;
    if (protocol != kDefaultProtocol) {
        return ViStatusFromBits(0xBFFF0079);  // VI_ERROR_INV_PROT
    }
    Record("trigger " + session->resource->scenario.name);
    return VI_SUCCESS;
}

ViStatus CBus::Lock(ViSession vi, ViAccessMode type, ViUInt32 timeout, const ViChar* requestedKey,
                    ViChar* accessKey) {
    if (RemoteCall remote; TakeRemote(vi, &remote)) {
        return LockRemote(vi, type, timeout, accessKey);
    }
    Lock_ lock(m_mutex);
    Session* session = Find(vi);
    if (session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (session->kind != Session::Kind::Instrument) {
        return VI_ERROR_NSUP_OPER;
    }
    if (type != VI_EXCLUSIVE_LOCK && type != VI_SHARED_LOCK) {
        return VI_ERROR_INV_LOCK_TYPE;
    }
    const std::shared_ptr<Resource> resource = session->resource;
    if (type == VI_EXCLUSIVE_LOCK) {
        if (resource->exclusiveOwner == vi) {
            ++resource->exclusiveCount;
            return VI_SUCCESS_NESTED_EXCLUSIVE;
        }
        const bool free = WaitFor(lock, timeout, [&] {
            if (Find(vi) == nullptr) {
                return true;
            }
            const auto& holders = resource->sharedHolders;
            return resource->exclusiveOwner == VI_NULL &&
                   (holders.empty() || (holders.size() == 1 && holders.count(vi) != 0));
        });
        if (!free) {
            return VI_ERROR_TMO;
        }
        if (Find(vi) == nullptr) {
            return VI_ERROR_INV_OBJECT;
        }
        resource->exclusiveOwner = vi;
        resource->exclusiveCount = 1;
        return VI_SUCCESS;
    }
    if (accessKey == nullptr) {
        return VI_ERROR_INV_ACCESS_KEY;
    }
    const std::string wanted =
        requestedKey != nullptr ? std::string(requestedKey, ::strnlen(requestedKey, VI_FIND_BUFLEN))
                                : std::string();
    if (wanted.size() >= VI_FIND_BUFLEN) {
        return VI_ERROR_INV_ACCESS_KEY;
    }
    auto held = resource->sharedHolders.find(vi);
    if (held != resource->sharedHolders.end()) {
        ++held->second;
        std::memcpy(accessKey, resource->sharedKey.c_str(), resource->sharedKey.size() + 1);
        return VI_SUCCESS_NESTED_SHARED;
    }
    const bool free = WaitFor(lock, timeout, [&] {
        if (Find(vi) == nullptr) {
            return true;
        }
        const bool exclusiveFree =
            resource->exclusiveOwner == VI_NULL || resource->exclusiveOwner == vi;
        return exclusiveFree && (resource->sharedHolders.empty() || wanted == resource->sharedKey);
    });
    if (!free) {
        return VI_ERROR_TMO;
    }
    if (Find(vi) == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (resource->sharedHolders.empty()) {
        resource->sharedKey = wanted.empty() ? "shared-" + std::to_string(++m_keys) : wanted;
    }
    resource->sharedHolders[vi] = 1;
    std::memcpy(accessKey, resource->sharedKey.c_str(), resource->sharedKey.size() + 1);
    return VI_SUCCESS;
}

ViStatus CBus::Unlock(ViSession vi) {
    if (RemoteCall remote; TakeRemote(vi, &remote)) {
        return UnlockRemote(vi);
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* session = Find(vi);
    if (session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (session->kind != Session::Kind::Instrument) {
        return VI_ERROR_NSUP_OPER;
    }
    Resource& resource = *session->resource;
    auto shared = resource.sharedHolders.find(vi);
    // The exclusive lock goes first when a session holds both.
    if (resource.exclusiveOwner == vi) {
        if (--resource.exclusiveCount > 0) {
            return VI_SUCCESS_NESTED_EXCLUSIVE;
        }
        resource.exclusiveOwner = VI_NULL;
        m_changed.notify_all();
        return shared != resource.sharedHolders.end() ? VI_SUCCESS_NESTED_SHARED : VI_SUCCESS;
    }
    if (shared == resource.sharedHolders.end()) {
        return VI_ERROR_SESN_NLOCKED;
    }
    if (--shared->second > 0) {
        return VI_SUCCESS_NESTED_SHARED;
    }
    resource.sharedHolders.erase(shared);
    if (resource.sharedHolders.empty()) {
        resource.sharedKey.clear();
    }
    m_changed.notify_all();
    return VI_SUCCESS;
}

namespace {

// The register operations' shared checks: A16 only, inside the 64 bytes, aligned to width.
ViStatus RegisterCheck(ViUInt16 space, ViBusAddress offset, int width, ViBusAddress bytes) {
    if (space != VI_A16_SPACE) {
        return VI_ERROR_INV_SPACE;
    }
    if (width == 32) {
        return VI_ERROR_INV_WIDTH;  // the configuration registers are D16
    }
    if (width != 8 && width != 16) {
        return VI_ERROR_INV_WIDTH;
    }
    if (offset >= kRegisterBytes || (width == 16 && offset % 2 != 0)) {
        return VI_ERROR_INV_OFFSET;
    }
    if (bytes > kRegisterBytes - offset) {
        return VI_ERROR_INV_LENGTH;
    }
    return VI_SUCCESS;
}

}  // namespace

ViStatus CBus::RegisterResource(ViSession vi, ViUInt16 space, ViBusAddress offset, int width,
                                ViBusSize bytes, const Resource** resource) {
    Session* session = nullptr;
    if (const ViStatus refused = IoSession(vi, &session); refused != VI_SUCCESS) {
        return refused;
    }
    const Resource& found = *session->resource;
    if (!found.parsed ||
        (found.name.interfaceType != VI_INTF_VXI && found.name.interfaceType != VI_INTF_GPIB_VXI)) {
        return VI_ERROR_NSUP_OPER;
    }
    if (const ViStatus bad = RegisterCheck(space, offset, width, bytes); bad < 0) {
        return bad;
    }
    *resource = &found;
    return VI_SUCCESS;
}

ViStatus CBus::In(ViSession vi, ViUInt16 space, ViBusAddress offset, int width, ViUInt32* value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Resource* registers = nullptr;
    if (const ViStatus refused =
            RegisterResource(vi, space, offset, width, (width + 7) / 8, &registers);
        refused != VI_SUCCESS) {
        return refused;
    }
    const Resource& resource = *registers;
    if (value == nullptr) {
        return VI_ERROR_INV_PARAMETER;
    }
    const std::uint16_t word = resource.device->Register(offset & ~ViBusAddress{1});
    // The bus is big-endian: the even byte is the high one.
    *value = width == 16 ? word : (offset % 2 == 0 ? word >> 8 : word & 0xFF);
    return VI_SUCCESS;
}

ViStatus CBus::Out(ViSession vi, ViUInt16 space, ViBusAddress offset, int width, ViUInt32 value) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const Resource* registers = nullptr;
    if (const ViStatus refused =
            RegisterResource(vi, space, offset, width, (width + 7) / 8, &registers);
        refused != VI_SUCCESS) {
        return refused;
    }
    const Resource& resource = *registers;
    // The identification registers ignore writes, as on the bus; control bits do nothing here.
    Record("out " + resource.scenario.name + " " + std::to_string(offset) + " " +
           std::to_string(value));
    return VI_SUCCESS;
}

ViStatus CBus::MoveIn16(ViSession vi, ViUInt16 space, ViBusAddress offset, ViBusSize length,
                        ViUInt16* buffer) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const ViBusSize bytes = length > kRegisterBytes ? kRegisterBytes + 1 : length * 2;
    const Resource* registers = nullptr;
    if (const ViStatus refused = RegisterResource(vi, space, offset, 16, bytes, &registers);
        refused != VI_SUCCESS) {
        return refused;
    }
    const Resource& resource = *registers;
    if (buffer == nullptr && length > 0) {
        return VI_ERROR_USER_BUF;
    }
    for (ViBusSize i = 0; i < length; ++i) {
        buffer[i] = resource.device->Register(offset + 2 * i);
    }
    return VI_SUCCESS;
}

// After anything that can change a device's status byte: a rising service request is
// delivered to every session of the resource that enabled it.
void CBus::Deliver(const std::shared_ptr<Resource>& resource) {
    const bool requesting = resource->device->RequestsService();
    const bool rising = requesting && !resource->requesting;
    resource->requesting = requesting;
    if (!rising) {
        return;
    }
    bool any = false;
    for (auto& [vi, session] : m_sessions) {
        if (session.kind == Session::Kind::Instrument && session.resource == resource) {
            any = Signal(vi, session) || any;
        }
    }
    if (any) {
        m_changed.notify_all();
    }
}

bool CBus::Signal(ViSession vi, Session& session) {
    bool queued = false;
    if ((session.mechanisms & VI_QUEUE) != 0 && session.queue.size() < session.maxQueue) {
        session.queue.push_back(VI_EVENT_SERVICE_REQ);
        queued = true;
    }
    if ((session.mechanisms & VI_SUSPEND_HNDLR) != 0 && session.suspended < session.maxQueue) {
        ++session.suspended;
    }
    if ((session.mechanisms & VI_HNDLR) != 0) {
        Dispatch(vi, session);
    }
    return queued;
}

// Hands one event to each of the session's handlers, newest first, on the library's thread.
void CBus::Dispatch(ViSession vi, Session& session) {
    for (auto it = session.handlers.rbegin(); it != session.handlers.rend(); ++it) {
        Session context(Session::Kind::Event, vi);
        context.eventType = VI_EVENT_SERVICE_REQ;
        const ViEvent event = NewSession(std::move(context));
        m_calls.push_back({it->first, vi, event, it->second});
    }
    EnsureWorker();
    m_wake.notify_all();
}

void CBus::EnsureWorker() {
    if (m_worker.joinable()) {
        return;
    }
#if defined(_WIN32)
    // Windows runs a library's destructors under the loader lock, where no thread can end:
    // once the thread runs, the library stays loaded to the end of the process.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&KnownEvent), &self);
#endif
    m_worker = std::thread([this] { Work(); });
}

void CBus::Work() {
    Lock_ lock(m_mutex);
    while (!m_stop) {
        if (!m_calls.empty()) {
            const Call call = m_calls.front();
            m_calls.pop_front();
            if (FindIo(call.vi) != nullptr) {
                lock.unlock();
                call.handler(call.vi, VI_EVENT_SERVICE_REQ, call.context, call.user);
                lock.lock();
            }
            CloseLocked(call.context);
            continue;
        }
        // Real-time modules whose service requests someone waits for are stepped at their own
        // step times, so that an edge is seen when it happens, not at the next command.
        std::vector<std::shared_ptr<Resource>> watched;
        long long next = -1;
        for (const auto& [vi, session] : m_sessions) {
            if (session.kind != Session::Kind::Instrument || session.mechanisms == 0) {
                continue;
            }
            const long long step = session.resource->device->NextStepMs();
            if (step >= 0) {
                watched.push_back(session.resource);
                next = next < 0 ? step : std::min(next, step);
            }
        }
        if (next < 0) {
            m_wake.wait(lock);
            continue;
        }
        const long long now = NowMs();
        if (now < next) {
            m_wake.wait_until(
                lock, std::chrono::steady_clock::time_point(std::chrono::milliseconds(next)));
            continue;
        }
        for (const auto& resource : watched) {
            resource->device->CatchUp(now);
            Deliver(resource);
        }
    }
}

ViStatus CBus::EnableEvent(ViSession vi, ViEventType type, ViUInt16 mechanism) {
    if (RemoteCall remote; type == VI_EVENT_SERVICE_REQ && TakeRemote(vi, &remote)) {
        if (const ViStatus failed = EnableRemoteRequests(vi); failed < 0) {
            return failed;
        }
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* session = Find(vi);
    if (session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (FindIo(vi) == nullptr || type != VI_EVENT_SERVICE_REQ) {
        return VI_ERROR_INV_EVENT;
    }
    const bool handler = (mechanism & VI_HNDLR) != 0;
    const bool suspend = (mechanism & VI_SUSPEND_HNDLR) != 0;
    if (mechanism == 0 || (mechanism & ~(VI_QUEUE | VI_HNDLR | VI_SUSPEND_HNDLR)) != 0 ||
        (handler && suspend)) {
        return VI_ERROR_INV_MECH;
    }
    if (handler && session->handlers.empty()) {
        return VI_ERROR_HNDLR_NINSTALLED;
    }
    const ViUInt16 before = session->mechanisms;
    ViUInt16 after = before | mechanism;
    if (handler) {
        after &= static_cast<ViUInt16>(~VI_SUSPEND_HNDLR);
    }
    if (suspend) {
        after &= static_cast<ViUInt16>(~VI_HNDLR);
    }
    session->mechanisms = after;
    // Events held while the handler was suspended reach it now.
    if (handler && session->suspended > 0) {
        for (; session->suspended > 0; --session->suspended) {
            Dispatch(vi, *session);
        }
    }
    if (session->resource) {
        Record("enable " + session->resource->scenario.name);
        session->resource->device->CatchUp(NowMs());
        session->resource->requesting = session->resource->device->RequestsService();
    }
    EnsureWorker();
    m_wake.notify_all();
    return (before & mechanism) == mechanism ? VI_SUCCESS_EVENT_EN : VI_SUCCESS;
}

ViStatus CBus::DisableEvent(ViSession vi, ViEventType type, ViUInt16 mechanism) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* session = nullptr;
    if (const ViStatus refused = EventSession(vi, type, &session); refused != VI_SUCCESS) {
        return refused;
    }
    if (!MechanismsToStop(mechanism)) {
        return VI_ERROR_INV_MECH;
    }
    const ViUInt16 before = session->mechanisms;
    session->mechanisms = static_cast<ViUInt16>(before & ~mechanism);
    m_wake.notify_all();
    return (before & mechanism) == 0 ? VI_SUCCESS_EVENT_DIS : VI_SUCCESS;
}

ViStatus CBus::DiscardEvents(ViSession vi, ViEventType type, ViUInt16 mechanism) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* session = nullptr;
    if (const ViStatus refused = EventSession(vi, type, &session); refused != VI_SUCCESS) {
        return refused;
    }
    if (!MechanismsToStop(mechanism)) {
        return VI_ERROR_INV_MECH;
    }
    bool any = false;
    if ((mechanism & VI_QUEUE) != 0) {
        any = !session->queue.empty();
        session->queue.clear();
    }
    if ((mechanism & VI_SUSPEND_HNDLR) != 0) {
        any = any || session->suspended > 0;
        session->suspended = 0;
    }
    return any ? VI_SUCCESS : VI_SUCCESS_QUEUE_EMPTY;
}

ViStatus CBus::WaitOnEvent(ViSession vi, ViEventType type, ViUInt32 timeout, ViEventType* outType,
                           ViEvent* outContext) {
    Lock_ lock(m_mutex);
    if (outType != nullptr) {
        *outType = 0;
    }
    if (outContext != nullptr) {
        *outContext = VI_NULL;
    }
    Session* session = nullptr;
    if (const ViStatus refused = EventSession(vi, type, &session); refused != VI_SUCCESS) {
        return refused;
    }
    if ((session->mechanisms & VI_QUEUE) == 0 && session->queue.empty()) {
        return VI_ERROR_NENABLED;
    }
    const bool ready = WaitFor(lock, timeout, [&] {
        const Session* s = FindIo(vi);
        return m_stop || s == nullptr || !s->queue.empty();
    });
    session = FindIo(vi);
    if (session == nullptr || m_stop) {
        return VI_ERROR_INV_OBJECT;
    }
    if (!ready) {
        return VI_ERROR_TMO;
    }
    const ViEventType event = session->queue.front();
    session->queue.pop_front();
    const bool more = !session->queue.empty();
    if (outType != nullptr) {
        *outType = event;
    }
    if (outContext != nullptr) {
        Session context(Session::Kind::Event, vi);
        context.eventType = event;
        *outContext = NewSession(std::move(context));
    }
    return more ? VI_SUCCESS_QUEUE_NEMPTY : VI_SUCCESS;
}

ViStatus CBus::InstallHandler(ViSession vi, ViEventType type, EventHandler handler, ViAddr user) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* session = Find(vi);
    if (session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (FindIo(vi) == nullptr || type != VI_EVENT_SERVICE_REQ) {
        return VI_ERROR_INV_EVENT;
    }
    if (handler == nullptr) {
        return VI_ERROR_INV_HNDLR_REF;
    }
    session->handlers.emplace_back(handler, user);
    return VI_SUCCESS;
}

ViStatus CBus::UninstallHandler(ViSession vi, ViEventType type, EventHandler handler, ViAddr user) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Session* session = Find(vi);
    if (session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (FindIo(vi) == nullptr || type != VI_EVENT_SERVICE_REQ) {
        return VI_ERROR_INV_EVENT;
    }
    auto& handlers = session->handlers;
    if (handler == nullptr) {  // VI_ANY_HNDLR
        handlers.clear();
        return VI_SUCCESS;
    }
    const auto it = std::find(handlers.begin(), handlers.end(), std::make_pair(handler, user));
    if (it == handlers.end()) {
        return VI_ERROR_INV_HNDLR_REF;
    }
    handlers.erase(it);
    return VI_SUCCESS;
}

}  // namespace sim
