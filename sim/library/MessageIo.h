#pragma once
// VISA's basic message I/O on instrument sessions: write, read, the status byte, clear and
// trigger. The session's transport does the exchange; termination, END and time-outs are the
// session's settings, which the transport applies.

#include "sim/library/LibraryState.h"

namespace sim {

class CMessageIo {
public:
    explicit CMessageIo(CLibraryState& state) : m_state(state) {}
    // end: the last byte carries END when the session sends END at all.
    ViStatus Write(ViSession vi, const ViByte* buffer, ViUInt32 count, ViUInt32* written,
                   bool end = true);
    // *end (may be null): the read stopped at END or at an enabled termination character.
    ViStatus Read(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* read,
                  bool* end = nullptr);
    ViStatus ReadStb(ViSession vi, ViUInt16* status);
    ViStatus Clear(ViSession vi);
    ViStatus AssertTrigger(ViSession vi, ViUInt16 protocol);

private:
    CLibraryState& m_state;
};

}  // namespace sim
