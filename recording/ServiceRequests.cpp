#include "recording/ServiceRequests.h"

#include <cstring>
#include <mutex>

#include "instrument/Instrument.h"

CServiceRequests::CServiceRequests(CInstrument& instrument,
                                   const std::vector<std::string>& visaNames)
    : m_instrument(instrument) {
    if (!instrument.IsLive() || instrument.GetSession() == VI_NULL) {
        m_reason = "no live module";
        return;
    }
    // Already loaded by the connection: this takes one more reference to the same library.
    m_library = CDynamicLibrary::LoadFirst(visaNames);
    if (!m_library) {
        m_reason = "no VISA library";
        return;
    }
    m_enable = LookupFunction<EnableEventFn>(m_library, "viEnableEvent");
    m_disable = LookupFunction<DisableEventFn>(m_library, "viDisableEvent");
    m_wait = LookupFunction<WaitOnEventFn>(m_library, "viWaitOnEvent");
    m_readStb = LookupFunction<ReadStbFn>(m_library, "viReadSTB");
    m_close = LookupFunction<CloseFn>(m_library, "viClose");
    m_write = LookupFunction<WriteFn>(m_library, "viWrite");
    m_available = m_enable != nullptr && m_disable != nullptr && m_wait != nullptr &&
                  m_readStb != nullptr && m_close != nullptr && m_write != nullptr;
    if (!m_available) {
        m_reason = "the VISA library delivers no service requests";
    }
}

CServiceRequests::~CServiceRequests() {
    Disable();
}

ViStatus CServiceRequests::Send(const char* command) {
    ViUInt32 written = 0;
    return m_write(m_instrument.GetSession(), reinterpret_cast<const ViByte*>(command),
                   static_cast<ViUInt32>(std::strlen(command)), &written);
}

ViStatus CServiceRequests::Enable() {
    if (!m_available) {
        return VI_ERROR_NSUP_OPER;
    }
    std::lock_guard<std::recursive_mutex> lock(m_instrument.Guard());
    ViStatus status = Send("*SRE 1\n");
    if (status < 0) {
        return status;
    }
    status = m_enable(m_instrument.GetSession(), kEventServiceReq, kQueue, 0);
    m_enabled = status >= 0;
    return status;
}

ViStatus CServiceRequests::Wait(ViUInt32 timeoutMs, bool readFirst) {
    if (!m_enabled) {
        return VI_ERROR_NSUP_OPER;
    }
    if (readFirst) {
        // The module raises a request when its summary bit becomes set. An edge that latched
        // while the last sample was read keeps the bit set, and no new request would come: it
        // is a change to sample now.
        std::lock_guard<std::recursive_mutex> lock(m_instrument.Guard());
        ViUInt16 stb = 0;
        const ViStatus read = m_readStb(m_instrument.GetSession(), &stb);
        if (read < 0) {
            return read;
        }
        if ((stb & kChangeBit) != 0) {
            return VI_SUCCESS;
        }
    }
    ViUInt32 type = 0;
    ViUInt32 context = 0;
    const ViStatus status =
        m_wait(m_instrument.GetSession(), kEventServiceReq, timeoutMs, &type, &context);
    if (status < 0) {
        return status;
    }
    if (context != 0) {
        m_close(context);
    }
    // Reading the status byte acknowledges the request, so the module can raise the next.
    std::lock_guard<std::recursive_mutex> lock(m_instrument.Guard());
    ViUInt16 stb = 0;
    const ViStatus read = m_readStb(m_instrument.GetSession(), &stb);
    return read < 0 ? read : VI_SUCCESS;
}

void CServiceRequests::Disable() {
    if (!m_enabled) {
        return;
    }
    m_enabled = false;
    std::lock_guard<std::recursive_mutex> lock(m_instrument.Guard());
    m_disable(m_instrument.GetSession(), kAllEnabledEvents, kAllMechanisms);
    static_cast<void>(Send("*SRE 0\n"));
}
