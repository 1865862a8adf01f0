#pragma once
// Opening and closing sessions: which transport serves a name, the lock asked for at open, and
// the close that takes with it every session opened through the one closed.

#include "sim/library/LibraryState.h"

namespace sim {

class CSessionTable {
public:
    explicit CSessionTable(CLibraryState& state) : m_state(state) {}
    ViStatus Open(ViSession rm, const ViChar* name, ViAccessMode mode, ViUInt32 openTimeout,
                  ViSession* vi);
    ViStatus Close(ViObject vi);
    // Whether vi is an open instrument session.
    bool IsInstrument(ViSession vi);
    // State kept beside an instrument session (the formatted I/O's buffer): made by make on
    // first use, dropped with the session. Null for anything but an open instrument.
    std::shared_ptr<void> Attachment(ViSession vi, std::shared_ptr<void> (*make)());
    int OpenCount();
    // For tests: the number the next session would get, to check what happens when it wraps.
    void SetNextNumber(ViSession next);

    // Closes vi and what was opened through it; the lock is held. Transports closed go to
    // state.closedTransports, to be destroyed once the lock is released.
    static void CloseLocked(CLibraryState& state, ViObject vi);

private:
    CLibraryState& m_state;
};

}  // namespace sim
