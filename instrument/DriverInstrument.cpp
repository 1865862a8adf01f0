#include "instrument/DriverInstrument.h"

#include <cstring>
#include <limits>
#include <utility>

#include "instrument/DriverApi.h"

namespace {

// One table for the process: the program makes at most one live instrument.
struct DriverFunctions {
    Aqk3310SelfTestFn selfTest = nullptr;
    Aqk3310ResetFn reset = nullptr;
    Aqk3310ErrorQueryFn errorQuery = nullptr;
    Aqk3310ErrorMessageFn errorMessage = nullptr;
    Aqk3310PortQueryFn measDigPort = nullptr;
    Aqk3310PortQueryFn sensNegPortTran = nullptr;
    Aqk3310PortQueryFn sensPosPortTran = nullptr;
};
DriverFunctions g_functions;

using TextBuffer = ViChar[kDriverTextSize];

// The driver should terminate its texts; one that fills the buffer without doing so must not
// make us read past it.
std::string TextFrom(const TextBuffer& buffer) {
    return std::string(buffer, ::strnlen(buffer, kDriverTextSize));
}

// A port the driver's 16-bit argument cannot carry becomes -1, which the driver refuses,
// instead of wrapping round to another port.
ViInt16 PortArgument(int port) {
    if (port < std::numeric_limits<ViInt16>::min() || port > std::numeric_limits<ViInt16>::max()) {
        return -1;
    }
    return static_cast<ViInt16>(port);
}

}  // namespace

const char* const CDriverInstrument::kFunctionNames[7] = {
    "aqk3310_self_test",        "aqk3310_reset",         "aqk3310_error_query",
    "aqk3310_error_message",    "aqk3310_measDigPort_Q", "aqk3310_sensNegPortTran_Q",
    "aqk3310_sensPosPortTran_Q"};

CDriverInstrument::CDriverInstrument(ViSession session, CDynamicLibrary& library)
    : CDriverInstrument(session, static_cast<const ISymbolSource&>(library)) {
    // Reached only when every function was bound.
    m_hLibrary = std::move(library);
}

CDriverInstrument::CDriverInstrument(ViSession session, const ISymbolSource& functions) {
    m_session = session;
    m_bLive = 1;
    Bind(functions);
}

void CDriverInstrument::Bind(const ISymbolSource& functions) {
    ProcAddress found[7] = {};
    for (int i = 0; i < 7; ++i) {
        found[i] = functions.Lookup(kFunctionNames[i]);
        if (found[i] == nullptr) {
            throw CUserException();
        }
    }
    // The table changes only once all seven are known, so a failed binding leaves it whole.
    DriverFunctions bound;
    bound.selfTest = reinterpret_cast<Aqk3310SelfTestFn>(found[0]);
    bound.reset = reinterpret_cast<Aqk3310ResetFn>(found[1]);
    bound.errorQuery = reinterpret_cast<Aqk3310ErrorQueryFn>(found[2]);
    bound.errorMessage = reinterpret_cast<Aqk3310ErrorMessageFn>(found[3]);
    bound.measDigPort = reinterpret_cast<Aqk3310PortQueryFn>(found[4]);
    bound.sensNegPortTran = reinterpret_cast<Aqk3310PortQueryFn>(found[5]);
    bound.sensPosPortTran = reinterpret_cast<Aqk3310PortQueryFn>(found[6]);
    g_functions = bound;
}

void CDriverInstrument::Check(ViStatus status) {
    m_status = status;
    if (status < 0) {
        throw CUserException();
    }
}

void CDriverInstrument::CheckErrorQueue() {
    ViInt32 code = 0;
    TextBuffer buffer = {};
    // Its own status is not kept: a failed query that wrote no code counts as an empty queue.
    static_cast<void>(g_functions.errorQuery(m_session, &code, buffer));
    m_strMessage = TextFrom(buffer);
    if (code != 0) {
        m_strLastError = m_strMessage;
        m_status = STATUS_INSTRUMENT_ERROR;
        throw CUserException();
    }
}

ViStatus CDriverInstrument::Reopen() {
    const auto init = LookupFunction<Aqk3310InitFn>(m_hLibrary, "aqk3310_init");
    const auto close = LookupFunction<Aqk3310CloseFn>(m_hLibrary, "aqk3310_close");
    const auto timeOut = LookupFunction<Aqk3310TimeOutFn>(m_hLibrary, "aqk3310_timeOut");
    if (init == nullptr || close == nullptr || timeOut == nullptr || m_resourceName.empty()) {
        return VI_ERROR_NSUP_OPER;
    }
    std::lock_guard<std::recursive_mutex> lock(Guard());
    // The lost session is given back first; its own status says nothing more.
    if (m_session != VI_NULL) {
        static_cast<void>(close(m_session));
        m_session = VI_NULL;
    }
    ViSession session = VI_NULL;
    m_status = init(m_resourceName.c_str(), 0, 0, &session);
    if (m_status < 0) {
        return m_status;
    }
    m_session = session;
    static_cast<void>(timeOut(session, kDriverTimeoutMs));
    return m_status;
}

void CDriverInstrument::Reset() {
    Check(g_functions.reset(m_session));
    // The module's latches are clear now; edges one reader took before belong to no one.
    ClearPendingEdges();
    CheckErrorQueue();
}

const char* CDriverInstrument::ErrorQuery(int* errorCode) {
    ViInt32 code = 0;
    TextBuffer buffer = {};
    if (g_functions.errorQuery(m_session, &code, buffer) < 0) {
        return nullptr;
    }
    if (errorCode != nullptr) {
        *errorCode = code;
    }
    m_strMessage = TextFrom(buffer);
    m_strLastError = m_strMessage;
    return m_strMessage.c_str();
}

const char* CDriverInstrument::ErrorMessage(ViStatus status) {
    TextBuffer buffer = {};
    // The call's own status replaces the one being described.
    m_status = g_functions.errorMessage(m_session, status, buffer);
    if (m_status < 0) {
        return nullptr;
    }
    m_strMessage = TextFrom(buffer);
    return m_strMessage.c_str();
}

const char* CDriverInstrument::SelfTest(int* result) {
    ViInt16 code = 0;
    TextBuffer buffer = {};
    Check(g_functions.selfTest(m_session, &code, buffer));
    m_strMessage = TextFrom(buffer);
    if (result != nullptr) {
        *result = code;  // widened with its sign: -1 stays -1
    }
    return m_strMessage.c_str();
}

ViUInt16 CDriverInstrument::MeasDigPort(int port) {
    ViUInt16 value = 0;
    Check(g_functions.measDigPort(m_session, PortArgument(port), &value));
    CheckErrorQueue();
    return value;
}

ViUInt16 CDriverInstrument::SensPosPortTran(int port) {
    ViUInt16 value = 0;
    Check(g_functions.sensPosPortTran(m_session, PortArgument(port), &value));
    CheckErrorQueue();
    return value;
}

ViUInt16 CDriverInstrument::SensNegPortTran(int port) {
    ViUInt16 value = 0;
    Check(g_functions.sensNegPortTran(m_session, PortArgument(port), &value));
    CheckErrorQueue();
    return value;
}
