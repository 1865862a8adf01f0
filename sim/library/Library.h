#pragma once
// The substitute VISA library's one instance: its shared state and the parts that work on it,
// one per concern VISA names. The C exports each call one member of one part.

#include "sim/library/Attributes.h"
#include "sim/library/Events.h"
#include "sim/library/LibraryState.h"
#include "sim/library/Locks.h"
#include "sim/library/MessageIo.h"
#include "sim/library/Registers.h"
#include "sim/library/ResourceManager.h"
#include "sim/library/SessionTable.h"

namespace sim {

class CLibrary {
public:
    static CLibrary& Instance();
    ~CLibrary();
    CLibrary(const CLibrary&) = delete;
    CLibrary& operator=(const CLibrary&) = delete;

    CResourceManager& Manager() { return m_manager; }
    CSessionTable& Sessions() { return m_sessions; }
    CAttributes& Attributes() { return m_attributes; }
    CMessageIo& Io() { return m_io; }
    CLocks& Locks() { return m_locks; }
    CEvents& Events() { return m_events; }
    CRegisters& Registers() { return m_registers; }
    // For tests: what the library was asked since the scenario was loaded (see CTrace).
    std::string Trace();

private:
    CLibrary();
    CLibraryState m_state;
    CResourceManager m_manager;
    CSessionTable m_sessions;
    CAttributes m_attributes;
    CMessageIo m_io;
    CLocks m_locks;
    CEvents m_events;
    CRegisters m_registers;
};

}  // namespace sim
