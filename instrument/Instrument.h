#pragma once

#include <array>
#include <mutex>
#include <string>

#include "instrument/VisaTypes.h"

// Raised by a failed instrument operation; the reason is in the instrument's last status.
class CUserException {};

// The readers of the transition registers within one program. The module clears a register
// when anyone reads it, so the instrument keeps for each reader the edges the others took.
enum class EdgeReader { Panel, Monitor, Recorder };
constexpr int kEdgeReaderCount = 3;

// The one instrument interface. The base behaviour is that of an instrument with nothing
// behind it, which is what the emulated instrument is.
class CInstrument {
public:
    CInstrument() = default;
    virtual ~CInstrument() = default;
    CInstrument(const CInstrument&) = delete;
    CInstrument& operator=(const CInstrument&) = delete;

    virtual void Reset() {}
    // Returns a text owned by the instrument (valid until its next operation), or null.
    virtual const char* ErrorQuery(int* errorCode);
    ViStatus GetLastStatus() const { return m_status; }
    virtual const char* ErrorMessage(ViStatus status);
    virtual const char* SelfTest(int* result);
    const char* GetLastErrorText() const { return m_strLastError.c_str(); }
    virtual ViUInt16 MeasDigPort(int port);
    // The module's transition registers as read, which clears them: readers go through
    // TakePosEdges and TakeNegEdges instead, so that no reader takes another's edges.
    virtual ViUInt16 SensPosPortTran(int port);
    virtual ViUInt16 SensNegPortTran(int port);

    // Every edge of the port latched since this reader's own previous take, whoever read the
    // register in between. Raises as the register read does, and then nothing is lost.
    ViUInt16 TakePosEdges(EdgeReader reader, int port);
    ViUInt16 TakeNegEdges(EdgeReader reader, int port);
    // Forgets every reader's edges: the module's latches were cleared (a reset, "*CLS").
    void ClearPendingEdges();
    // Opens the same resource again, under the guard, after its link was lost; the session
    // changes. VI_ERROR_NSUP_OPER when there is nothing to open again.
    virtual ViStatus Reopen() { return VI_ERROR_NSUP_OPER; }

    bool IsLive() const { return m_bLive != 0; }
    // The VISA session the driver opened; VI_NULL when nothing is behind the instrument.
    ViSession GetSession() const { return m_session; }
    // Every thread that uses the instrument holds this around a whole reading or operation and
    // the look at its status afterwards, so that the commands and replies of two threads never
    // interleave on the session. Recursive: a report may read the error queue under it.
    std::recursive_mutex& Guard() const { return m_guard; }

protected:
    ViSession m_session = VI_NULL;
    int m_bLive = 0;
    std::string m_strMessage;
    ViStatus m_status = 0;
    std::string m_strLastError;

private:
    enum Direction { kPositive, kNegative };
    ViUInt16 TakeEdges(EdgeReader reader, int port, Direction direction);

    mutable std::recursive_mutex m_guard;
    // Edges read by one reader and not yet taken by another, by reader, direction and port;
    // kept under the guard.
    std::array<std::array<std::array<ViUInt16, 4>, 2>, kEdgeReaderCount> m_pendingEdges{};
};
