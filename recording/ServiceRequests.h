#pragma once

#include <string>
#include <vector>

#include "instrument/VisaTypes.h"
#include "platform/native/DynamicLibrary.h"

class CInstrument;

// Sampling "on change": the module raises a service request when an input changes (status
// byte bit 0, enabled with "*SRE 1"), and VISA's event queue hands it over. The event functions
// are VISA's standard ones, bound by name from the VISA library; a library without them leaves
// this unavailable and the caller samples on a period instead.
class CServiceRequests {
public:
    CServiceRequests(CInstrument& instrument, const std::vector<std::string>& visaNames);
    ~CServiceRequests();
    CServiceRequests(const CServiceRequests&) = delete;
    CServiceRequests& operator=(const CServiceRequests&) = delete;

    // The instrument has a session and the VISA library has every function needed.
    bool Available() const { return m_available; }
    // Why not, when not: for the user.
    std::string Reason() const { return m_reason; }
    // Asks the module for service requests and queues them. Needs Available().
    ViStatus Enable();
    // Waits for the next service request and acknowledges it (reads the status byte). With
    // readFirst it reads the status byte before waiting and returns at once when it shows an
    // edge not yet sampled, or with the read's failure: a link that died is noticed there, as
    // the event queue itself only stays quiet. VI_SUCCESS when there is a change to sample,
    // VI_ERROR_TMO when none came within the time.
    ViStatus Wait(ViUInt32 timeoutMs, bool readFirst = true);
    void Disable();

    // VISA's values, declared here from the standard.
    static constexpr ViUInt32 kEventServiceReq = 0x3FFF200B;
    static constexpr ViUInt32 kAllEnabledEvents = 0x3FFF7FFF;
    static constexpr ViUInt16 kQueue = 1;
    static constexpr ViUInt16 kAllMechanisms = 0xFFFF;
    static constexpr ViUInt32 kTimeoutInfinite = 0xFFFFFFFF;
    // The module's status byte bit for "a transition register holds an edge".
    static constexpr ViUInt16 kChangeBit = 0x01;

private:
    using EnableEventFn = ViStatus(SFP_VI_CALL*)(ViSession vi, ViUInt32 eventType,
                                                 ViUInt16 mechanism, ViUInt32 context);
    using DisableEventFn = ViStatus(SFP_VI_CALL*)(ViSession vi, ViUInt32 eventType,
                                                  ViUInt16 mechanism);
    using WaitOnEventFn = ViStatus(SFP_VI_CALL*)(ViSession vi, ViUInt32 inEventType,
                                                 ViUInt32 timeout, ViUInt32* outEventType,
                                                 ViUInt32* outContext);
    using ReadStbFn = ViStatus(SFP_VI_CALL*)(ViSession vi, ViUInt16* status);
    using CloseFn = ViStatus(SFP_VI_CALL*)(ViUInt32 vi);
    using WriteFn = ViStatus(SFP_VI_CALL*)(ViSession vi, const ViByte* buffer, ViUInt32 count,
                                           ViUInt32* written);

    ViStatus Send(const char* command);

    CInstrument& m_instrument;
    CDynamicLibrary m_library;
    EnableEventFn m_enable = nullptr;
    DisableEventFn m_disable = nullptr;
    WaitOnEventFn m_wait = nullptr;
    ReadStbFn m_readStb = nullptr;
    CloseFn m_close = nullptr;
    WriteFn m_write = nullptr;
    bool m_available = false;
    bool m_enabled = false;
    std::string m_reason;
};
