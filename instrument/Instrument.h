#pragma once

#include <mutex>
#include <string>

#include "instrument/VisaTypes.h"

// Raised by a failed instrument operation; the reason is in the instrument's last status.
class CUserException {};

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
    virtual ViUInt16 SensPosPortTran(int port);
    virtual ViUInt16 SensNegPortTran(int port);

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
    mutable std::recursive_mutex m_guard;
};
