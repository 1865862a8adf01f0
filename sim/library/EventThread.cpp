#include "sim/library/EventThread.h"

#include <algorithm>

#include "sim/library/SessionTable.h"
#include "sim/library/Transport.h"

#if defined(_WIN32)
#include <windows.h>
#endif

namespace sim {

void CEventThread::Deliver(CLibraryState& state, const std::shared_ptr<Resource>& resource) {
    const bool requesting = resource->device->RequestsService();
    const bool rising = requesting && !resource->requesting;
    resource->requesting = requesting;
    if (!rising) {
        return;
    }
    bool any = false;
    for (auto& [vi, session] : state.sessions) {
        // (No transport: the library is being unloaded.)
        if (session.kind == Session::Kind::Instrument && session.transport &&
            session.transport->Device() == resource) {
            any = Signal(state, vi, session) || any;
        }
    }
    if (any) {
        state.changed.notify_all();
    }
}

bool CEventThread::Signal(CLibraryState& state, ViSession vi, Session& session) {
    bool queued = false;
    if ((session.mechanisms & VI_QUEUE) != 0 && session.queue.size() < session.maxQueue) {
        session.queue.push_back(VI_EVENT_SERVICE_REQ);
        queued = true;
    }
    if ((session.mechanisms & VI_SUSPEND_HNDLR) != 0 && session.suspended < session.maxQueue) {
        ++session.suspended;
    }
    if ((session.mechanisms & VI_HNDLR) != 0) {
        Dispatch(state, vi, session);
    }
    return queued;
}

void CEventThread::Dispatch(CLibraryState& state, ViSession vi, Session& session) {
    for (auto it = session.handlers.rbegin(); it != session.handlers.rend(); ++it) {
        Session context(Session::Kind::Event, vi);
        context.eventType = VI_EVENT_SERVICE_REQ;
        const ViEvent event = state.NewSession(std::move(context));
        state.calls.push_back({it->first, vi, event, it->second});
    }
    EnsureRunning(state);
    state.wake.notify_all();
}

void CEventThread::EnsureRunning(CLibraryState& state) {
    if (state.worker.joinable()) {
        return;
    }
#if defined(_WIN32)
    // Windows runs a library's destructors under the loader lock, where no thread can end:
    // once the thread runs, the library stays loaded to the end of the process.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&CEventThread::Work), &self);
#endif
    state.worker = std::thread([&state] { Work(state); });
}

void CEventThread::Stop(CLibraryState& state) {
#if defined(_WIN32)
    // Only at the end of the process once the thread ran (the library is pinned): Windows has
    // already ended every other thread, maybe inside the lock, so it is not touched.
    if (state.worker.joinable()) {
        state.worker.detach();
        return;
    }
#endif
    {
        std::lock_guard<std::mutex> lock(state.mutex);
        state.stop = true;
    }
    state.wake.notify_all();
    if (state.worker.joinable()) {
        state.worker.join();
    }
}

void CEventThread::Work(CLibraryState& state) {
    LibraryLock lock(state.mutex);
    while (!state.stop) {
        if (!state.calls.empty()) {
            const HandlerCall call = state.calls.front();
            state.calls.pop_front();
            if (state.Find(call.vi, Session::Kind::Instrument) != nullptr) {
                lock.unlock();
                call.handler(call.vi, VI_EVENT_SERVICE_REQ, call.context, call.user);
                lock.lock();
            }
            CSessionTable::CloseLocked(state, call.context);
            continue;
        }
        std::vector<std::shared_ptr<Resource>> watched;
        long long next = -1;
        for (const auto& [vi, session] : state.sessions) {
            if (session.kind != Session::Kind::Instrument || session.mechanisms == 0 ||
                !session.transport) {
                continue;
            }
            const std::shared_ptr<Resource>& device = session.transport->Device();
            const long long step = device ? device->device->NextStepMs() : -1;
            if (step >= 0) {
                watched.push_back(device);
                next = next < 0 ? step : std::min(next, step);
            }
        }
        if (next < 0) {
            state.wake.wait(lock);
            continue;
        }
        const long long now = CLibraryState::NowMs();
        if (now < next) {
            state.wake.wait_until(
                lock, std::chrono::steady_clock::time_point(std::chrono::milliseconds(next)));
            continue;
        }
        for (const auto& resource : watched) {
            resource->device->CatchUp(now);
            Deliver(state, resource);
        }
    }
}

}  // namespace sim
