#include "sim/library/SessionTable.h"

#include <cstring>

#include "sim/library/Locks.h"
#include "sim/library/Transport.h"

namespace sim {

ViStatus CSessionTable::Open(ViSession rm, const ViChar* name, ViAccessMode mode,
                             ViUInt32 openTimeout, ViSession* vi) {
    ViSession opened = VI_NULL;
    ViStatus status = VI_SUCCESS;
    bool lockedAtOpen = false;
    {
        LibraryLock lock(m_state.mutex);
        if (vi == nullptr) {
            return VI_ERROR_INV_PARAMETER;
        }
        *vi = VI_NULL;
        const Session* manager = m_state.Find(rm, Session::Kind::ResourceManager);
        if (manager == nullptr) {
            return VI_ERROR_INV_OBJECT;
        }
        if (name == nullptr || *name == '\0' ||
            ::strnlen(name, kMaxResourceNameLength + 1) > kMaxResourceNameLength) {
            return VI_ERROR_INV_RSRC_NAME;
        }
        const ViAccessMode known = VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK | VI_LOAD_CONFIG;
        if ((mode & ~known) != 0 ||
            (mode & (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK)) == (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK)) {
            return VI_ERROR_INV_ACC_MODE;
        }
        m_state.Record("open " + std::string(name));
        // Each transport in turn may claim the name; the first that does serves the session.
        OpenRequest request{m_state, lock, rm, manager->generation, name, mode, openTimeout};
        OpenResult result;
        std::size_t count = 0;
        const TransportKind* transports = Transports(&count);
        for (std::size_t i = 0; i < count && result.status == VI_ERROR_RSRC_NFOUND; ++i) {
            result = transports[i].open(request);
        }
        if (!result.transport) {
            return result.status;
        }
        if (m_state.Find(rm, Session::Kind::ResourceManager) == nullptr) {
            // The manager was closed while the transport connected: its end waits for no lock.
            lock.unlock();
            result.transport.reset();
            return VI_ERROR_INV_OBJECT;
        }
        Session session(Session::Kind::Instrument, rm);
        session.transport = std::move(result.transport);
        opened = m_state.NewSession(std::move(session));
        status = result.status;
        lockedAtOpen = result.lockedAtOpen;
    }
    // A lock asked for at open is taken as viLock would, waiting up to the open time-out.
    if (!lockedAtOpen && (mode & (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK)) != 0) {
        ViChar key[VI_FIND_BUFLEN];
        const ViStatus locked = CLocks(m_state).Lock(
            opened, mode & (VI_EXCLUSIVE_LOCK | VI_SHARED_LOCK), openTimeout, nullptr, key);
        if (locked < 0) {
            Close(opened);
            return locked == VI_ERROR_TMO ? VI_ERROR_RSRC_LOCKED : locked;
        }
    }
    *vi = opened;
    return status;
}

void CSessionTable::CloseLocked(CLibraryState& state, ViObject vi) {
    auto it = state.sessions.find(vi);
    if (it == state.sessions.end()) {
        return;
    }
    // Closing a session closes what was opened through it: instruments, lists, events.
    std::vector<ViObject> children;
    for (const auto& [id, session] : state.sessions) {
        if (session.parent == vi) {
            children.push_back(id);
        }
    }
    for (const ViObject child : children) {
        CloseLocked(state, child);
    }
    Session& session = it->second;
    if (session.transport) {
        session.transport->Closing(state, vi);
        state.closedTransports.push_back(std::move(session.transport));
    }
    state.sessions.erase(it);
}

ViStatus CSessionTable::Close(ViObject vi) {
    std::vector<std::shared_ptr<ISessionTransport>> transports;
    LibraryLock lock(m_state.mutex);
    if (vi == VI_NULL) {
        return VI_WARN_NULL_OBJECT;
    }
    if (m_state.Find(vi) == nullptr) {
        return VI_ERROR_INV_OBJECT;
    }
    CloseLocked(m_state, vi);
    transports.swap(m_state.closedTransports);
    m_state.changed.notify_all();
    m_state.wake.notify_all();
    lock.unlock();
    transports.clear();  // ends each network link with its device
    return VI_SUCCESS;
}

bool CSessionTable::IsInstrument(ViSession vi) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    return m_state.Find(vi, Session::Kind::Instrument) != nullptr;
}

std::shared_ptr<void> CSessionTable::Attachment(ViSession vi, std::shared_ptr<void> (*make)()) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    Session* session = m_state.Find(vi, Session::Kind::Instrument);
    if (session == nullptr) {
        return nullptr;
    }
    if (!session->attachment) {
        session->attachment = make();
    }
    return session->attachment;
}

int CSessionTable::OpenCount() {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    return static_cast<int>(m_state.sessions.size());
}

void CSessionTable::SetNextNumber(ViSession next) {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    m_state.nextSession = next;
}

}  // namespace sim
