#include "sim/library/Events.h"

#include <algorithm>

#include "sim/library/EventThread.h"
#include "sim/library/Transport.h"

namespace sim {

namespace {

bool KnownEvent(ViEventType type) {
    return type == VI_EVENT_SERVICE_REQ || type == VI_ALL_ENABLED_EVENTS;
}

// What disabling or discarding may name: VI_ALL_MECH, or any mix of the three mechanisms.
bool MechanismsToStop(ViUInt16 mechanism) {
    return mechanism != 0 && (mechanism == VI_ALL_MECH ||
                              (mechanism & ~(VI_QUEUE | VI_HNDLR | VI_SUSPEND_HNDLR)) == 0);
}

}  // namespace

ViStatus CEvents::EventSession(ViSession vi, ViEventType type, Session** session) {
    *session = m_state.Find(vi);
    if (*session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if ((*session)->kind != Session::Kind::Instrument || !KnownEvent(type)) {
        return VI_ERROR_INV_EVENT;
    }
    return VI_SUCCESS;
}

ViStatus CEvents::Enable(ViSession vi, ViEventType type, ViUInt16 mechanism) {
    std::shared_ptr<ISessionTransport> transport;  // let go after the lock (see CMessageIo)
    LibraryLock lock(m_state.mutex);
    Session* session = m_state.Find(vi);
    if (session != nullptr && session->kind == Session::Kind::Instrument &&
        type == VI_EVENT_SERVICE_REQ) {
        transport = session->transport;
        TransportCall call{m_state, lock, vi, *session};
        if (const ViStatus failed = transport->PrepareRequests(call); failed < 0) {
            return failed;
        }
        session = m_state.Find(vi);  // the lock may have been let go meanwhile
    }
    if (session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (session->kind != Session::Kind::Instrument || type != VI_EVENT_SERVICE_REQ) {
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
            CEventThread::Dispatch(m_state, vi, *session);
        }
    }
    TransportCall call{m_state, lock, vi, *session};
    session->transport->RequestsEnabled(call);
    CEventThread::EnsureRunning(m_state);
    m_state.wake.notify_all();
    return (before & mechanism) == mechanism ? VI_SUCCESS_EVENT_EN : VI_SUCCESS;
}

ViStatus CEvents::Disable(ViSession vi, ViEventType type, ViUInt16 mechanism) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    Session* session = nullptr;
    if (const ViStatus refused = EventSession(vi, type, &session); refused != VI_SUCCESS) {
        return refused;
    }
    if (!MechanismsToStop(mechanism)) {
        return VI_ERROR_INV_MECH;
    }
    const ViUInt16 before = session->mechanisms;
    session->mechanisms = static_cast<ViUInt16>(before & ~mechanism);
    m_state.wake.notify_all();
    return (before & mechanism) == 0 ? VI_SUCCESS_EVENT_DIS : VI_SUCCESS;
}

ViStatus CEvents::Discard(ViSession vi, ViEventType type, ViUInt16 mechanism) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
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

ViStatus CEvents::Wait(ViSession vi, ViEventType type, ViUInt32 timeout, ViEventType* outType,
                       ViEvent* outContext) {
    LibraryLock lock(m_state.mutex);
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
    const bool ready = m_state.WaitFor(lock, timeout, [&] {
        const Session* s = m_state.Find(vi, Session::Kind::Instrument);
        return m_state.stop || s == nullptr || !s->queue.empty();
    });
    session = m_state.Find(vi, Session::Kind::Instrument);
    if (session == nullptr || m_state.stop) {
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
        *outContext = m_state.NewSession(std::move(context));
    }
    return more ? VI_SUCCESS_QUEUE_NEMPTY : VI_SUCCESS;
}

ViStatus CEvents::InstallHandler(ViSession vi, ViEventType type, EventHandler handler,
                                 ViAddr user) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    Session* session = m_state.Find(vi);
    if (session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (session->kind != Session::Kind::Instrument || type != VI_EVENT_SERVICE_REQ) {
        return VI_ERROR_INV_EVENT;
    }
    if (handler == nullptr) {
        return VI_ERROR_INV_HNDLR_REF;
    }
    session->handlers.emplace_back(handler, user);
    return VI_SUCCESS;
}

ViStatus CEvents::UninstallHandler(ViSession vi, ViEventType type, EventHandler handler,
                                   ViAddr user) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    Session* session = m_state.Find(vi);
    if (session == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    if (session->kind != Session::Kind::Instrument || type != VI_EVENT_SERVICE_REQ) {
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
