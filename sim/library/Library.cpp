#include "sim/library/Library.h"

#include "sim/library/EventThread.h"
#include "sim/library/Transport.h"

namespace sim {

CLibrary& CLibrary::Instance() {
    static CLibrary library;
    return library;
}

CLibrary::CLibrary()
    : m_manager(m_state),
      m_sessions(m_state),
      m_attributes(m_state),
      m_io(m_state),
      m_locks(m_state),
      m_events(m_state),
      m_registers(m_state) {}

CLibrary::~CLibrary() {
    // Links still open at the end of the process are closed outside the lock: their
    // interrupt channel threads may be waiting for it.
    std::vector<std::shared_ptr<ISessionTransport>> transports;
    {
        std::lock_guard<std::mutex> lock(m_state.mutex);
        for (auto& [vi, session] : m_state.sessions) {
            if (session.transport) {
                transports.push_back(std::move(session.transport));
            }
        }
        transports.insert(transports.end(), m_state.closedTransports.begin(),
                          m_state.closedTransports.end());
        m_state.closedTransports.clear();
    }
    transports.clear();
    CEventThread::Stop(m_state);
}

std::string CLibrary::Trace() {
    std::lock_guard<std::mutex> lock(m_state.mutex);
    return m_state.trace.Text();
}

}  // namespace sim
