// The substitute K3310 instrument driver. It reaches the module only through VISA: each
// operation writes one command over the session and reads the module's reply. No exception may
// leave a function of this file: the caller is C.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>

#include "instrument/DriverApi.h"
#include "instrument/VisaApi.h"
#include "sim/driver/Aqk3310Status.h"
#include "sim/visa/SimExport.h"
#include "sim/visa/SimHooks.h"

// The VISA functions, from the substitute VISA library this one is linked to.
extern "C" {
ViStatus SFP_VI_CALL viOpenDefaultRM(ViSession* rm);
ViStatus SFP_VI_CALL viOpen(ViSession rm, const ViChar* name, ViAccessMode mode,
                            ViUInt32 openTimeout, ViSession* vi);
ViStatus SFP_VI_CALL viClose(ViObject vi);
ViStatus SFP_VI_CALL viGetAttribute(ViObject vi, ViAttr attribute, void* value);
ViStatus SFP_VI_CALL viSetAttribute(ViObject vi, ViAttr attribute, ViAttrState value);
ViStatus SFP_VI_CALL viWrite(ViSession vi, const ViByte* buffer, ViUInt32 count, ViUInt32* written);
ViStatus SFP_VI_CALL viRead(ViSession vi, ViByte* buffer, ViUInt32 count, ViUInt32* read);
ViStatus SFP_VI_CALL viStatusDesc(ViObject vi, ViStatus status, ViChar* text);
}

namespace {

constexpr const char* kDriverRevision = "1.0.0";
constexpr const char* kModuleIdentity = "ZENTRAX-MOLBURY,K3310";
constexpr ViUInt32 kDefaultTimeoutMs = 2000;
// No reply of the module is longer; anything beyond is a fault, not data.
constexpr std::size_t kMaxReply = 4096;

struct DriverSession {
    ViSession rm = VI_NULL;
    bool unterminatedText = false;
    // Held across a command and its reply, so that threads sharing the session never take
    // each other's replies.
    std::shared_ptr<std::mutex> exchange = std::make_shared<std::mutex>();
};

std::mutex g_mutex;
std::map<ViSession, DriverSession> g_sessions;

bool FindSession(ViSession vi, DriverSession* session) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto it = g_sessions.find(vi);
    if (it == g_sessions.end()) {
        return false;
    }
    *session = it->second;
    return true;
}

// A text into a caller's 256-byte buffer: cut to 255 characters and terminated, or, when the
// scenario asks the driver to misbehave, all 256 bytes filled and no terminator.
void PutText(const std::string& text, ViChar* out, bool unterminated) {
    if (unterminated) {
        std::string filled = text;
        filled.resize(kDriverTextSize, '#');
        std::memcpy(out, filled.data(), kDriverTextSize);
        return;
    }
    const std::size_t length = std::min<std::size_t>(text.size(), kDriverTextSize - 1);
    std::memcpy(out, text.data(), length);
    out[length] = '\0';
}

ViStatus Send(ViSession vi, const std::string& command) {
    const std::string message = command + "\n";
    ViUInt32 written = 0;
    return viWrite(vi, reinterpret_cast<const ViByte*>(message.data()),
                   static_cast<ViUInt32>(message.size()), &written);
}

ViStatus Query(ViSession vi, const std::string& command, std::string* reply) {
    ViStatus status = Send(vi, command);
    if (status < 0) {
        return status;
    }
    reply->clear();
    do {
        ViByte chunk[256];
        ViUInt32 read = 0;
        status = viRead(vi, chunk, sizeof(chunk), &read);
        if (status < 0) {
            return status;
        }
        reply->append(reinterpret_cast<const char*>(chunk), std::min<ViUInt32>(read, 256));
        if (reply->size() > kMaxReply) {
            return VI_ERROR_INV_RESPONSE;
        }
    } while (status == VI_SUCCESS_MAX_CNT);
    while (!reply->empty() && (reply->back() == '\n' || reply->back() == '\r')) {
        reply->pop_back();
    }
    return VI_SUCCESS;
}

bool ParseInteger(const std::string& text, long low, long high, long* value) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long parsed = std::strtol(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < low || parsed > high) {
        return false;
    }
    *value = parsed;
    return true;
}

// "<code>,"<text>"" with doubled quotes inside the text.
bool ParseCodeAndText(const std::string& reply, long low, long high, long* code,
                      std::string* text) {
    const std::string::size_type comma = reply.find(',');
    if (comma == std::string::npos || !ParseInteger(reply.substr(0, comma), low, high, code)) {
        return false;
    }
    const std::string rest = reply.substr(comma + 1);
    if (rest.size() < 2 || rest.front() != '"' || rest.back() != '"') {
        return false;
    }
    text->clear();
    for (std::size_t i = 1; i + 1 < rest.size(); ++i) {
        *text += rest[i];
        if (rest[i] == '"' && i + 2 < rest.size() && rest[i + 1] == '"') {
            ++i;
        }
    }
    return true;
}

// Runs an operation on a session that aqk3310_init opened, as one exchange with the module:
// no other call on the session runs meanwhile. No exception leaves it.
template <typename Call>
ViStatus OnSession(ViSession vi, Call call) noexcept {
    return Guarded([&]() -> ViStatus {
        DriverSession session;
        if (!FindSession(vi, &session)) {
            return AQK3310_ERROR_INV_SESSION;
        }
        std::lock_guard<std::mutex> exchange(*session.exchange);
        return call(session);
    });
}

// A query whose reply is <code>,"<text>": the code within low..high, the text into the
// caller's buffer.
ViStatus QueryCodeAndText(ViSession vi, const DriverSession& session, const char* command, long low,
                          long high, long* code, ViChar* message) {
    std::string reply;
    const ViStatus status = Query(vi, command, &reply);
    if (status < 0) {
        return status;
    }
    std::string text;
    if (!ParseCodeAndText(reply, low, high, code, &text)) {
        return VI_ERROR_INV_RESPONSE;
    }
    PutText(text, message, session.unterminatedText);
    return VI_SUCCESS;
}

ViStatus PortQuery(ViSession vi, ViInt16 port, ViUInt16* value, const char* header) {
    return OnSession(vi, [&](const DriverSession&) -> ViStatus {
        if (port < 0 || port > 3) {
            return VI_ERROR_PARAMETER2;
        }
        if (value == nullptr) {
            return VI_ERROR_PARAMETER3;
        }
        std::string reply;
        const ViStatus status = Query(vi, std::string(header) + " " + std::to_string(port), &reply);
        if (status < 0) {
            return status;
        }
        long reading = 0;
        if (!ParseInteger(reply, 0, 0xFFFF, &reading)) {
            return VI_ERROR_INV_RESPONSE;
        }
        *value = static_cast<ViUInt16>(reading);
        return VI_SUCCESS;
    });
}

struct DriverText {
    ViStatus status;
    const char* text;
};

constexpr DriverText kDriverTexts[] = {
    {VI_SUCCESS, "No error."},
    {VI_ERROR_PARAMETER1, "Parameter 1 is not valid."},
    {VI_ERROR_PARAMETER2, "Parameter 2 is not valid (a port is 0 to 3)."},
    {VI_ERROR_PARAMETER3, "Parameter 3 is not valid."},
    {AQK3310_ERROR_PARAMETER4, "Parameter 4 is not valid."},
    {VI_ERROR_FAIL_ID, "The instrument does not identify itself as a K3310."},
    {VI_ERROR_INV_RESPONSE, "The instrument's reply could not be understood."},
    {AQK3310_ERROR_INV_SESSION, "The session was not opened by aqk3310_init or is closed."},
    {STATUS_INSTRUMENT_ERROR, "The instrument's error queue holds an entry."},
};

}  // namespace

// Test builds leave out one function at a time (AQK3310_OMIT_<name>).
#if !defined(AQK3310_OMIT_init)
SIM_EXPORT ViStatus SFP_VI_CALL aqk3310_init(const ViChar* resourceName, ViBoolean idQuery,
                                             ViBoolean reset, ViSession* vi) {
    return Guarded([&]() -> ViStatus {
        if (vi == nullptr) {
            return AQK3310_ERROR_PARAMETER4;
        }
        *vi = VI_NULL;
        if (resourceName == nullptr) {
            return VI_ERROR_PARAMETER1;
        }
        ViSession rm = VI_NULL;
        ViStatus status = viOpenDefaultRM(&rm);
        if (status < 0) {
            return status;
        }
        ViSession instrument = VI_NULL;
        status = viOpen(rm, resourceName, 0, 0, &instrument);
        if (status < 0) {
            viClose(rm);
            return status;
        }
        ViUInt32 quirks = 0;
        if (viGetAttribute(instrument, sim::kSimAttrDriverQuirks, &quirks) < 0) {
            quirks = 0;
        }
        viSetAttribute(instrument, VI_ATTR_TMO_VALUE, kDefaultTimeoutMs);
        std::string reply;
        if (idQuery != 0) {
            status = Query(instrument, "*IDN?", &reply);
            if (status >= 0 && reply.rfind(kModuleIdentity, 0) != 0) {
                status = VI_ERROR_FAIL_ID;
            }
        }
        if (status >= 0 && reset != 0) {
            status = Send(instrument, "*RST");
        }
        if (status < 0) {
            viClose(rm);  // closes the instrument session with it
            return status;
        }
        std::lock_guard<std::mutex> lock(g_mutex);
        DriverSession session;
        session.rm = rm;
        session.unterminatedText = (quirks & sim::kQuirkUnterminatedText) != 0;
        g_sessions[instrument] = session;
        *vi = instrument;
        return VI_SUCCESS;
    });
}
static_assert(std::is_same_v<decltype(&aqk3310_init), Aqk3310InitFn>);
#endif

#if !defined(AQK3310_OMIT_timeOut)
SIM_EXPORT ViStatus SFP_VI_CALL aqk3310_timeOut(ViSession vi, ViInt32 milliseconds) {
    return OnSession(vi, [&](const DriverSession&) -> ViStatus {
        if (milliseconds < 0) {
            return VI_ERROR_PARAMETER2;
        }
        return viSetAttribute(vi, VI_ATTR_TMO_VALUE, static_cast<ViAttrState>(milliseconds));
    });
}
static_assert(std::is_same_v<decltype(&aqk3310_timeOut), Aqk3310TimeOutFn>);
#endif

SIM_EXPORT ViStatus SFP_VI_CALL aqk3310_close(ViSession vi) {
    return Guarded([&]() -> ViStatus {
        DriverSession session;
        {
            std::lock_guard<std::mutex> lock(g_mutex);
            auto it = g_sessions.find(vi);
            if (it == g_sessions.end()) {
                return AQK3310_ERROR_INV_SESSION;
            }
            session = it->second;
            g_sessions.erase(it);
        }
        viClose(vi);
        return viClose(session.rm);
    });
}
static_assert(std::is_same_v<decltype(&aqk3310_close), Aqk3310CloseFn>);

#if !defined(AQK3310_OMIT_self_test)
SIM_EXPORT ViStatus SFP_VI_CALL aqk3310_self_test(ViSession vi, ViInt16* result, ViChar* message) {
    return OnSession(vi, [&](const DriverSession& session) -> ViStatus {
        if (result == nullptr) {
            return VI_ERROR_PARAMETER2;
        }
        if (message == nullptr) {
            return VI_ERROR_PARAMETER3;
        }
        long code = 0;
        const ViStatus status =
            QueryCodeAndText(vi, session, "*TST?", INT16_MIN, INT16_MAX, &code, message);
        if (status >= 0) {
            *result = static_cast<ViInt16>(code);
        }
        return status;
    });
}
static_assert(std::is_same_v<decltype(&aqk3310_self_test), Aqk3310SelfTestFn>);
#endif

#if !defined(AQK3310_OMIT_reset)
SIM_EXPORT ViStatus SFP_VI_CALL aqk3310_reset(ViSession vi) {
    return OnSession(vi, [&](const DriverSession&) { return Send(vi, "*RST"); });
}
static_assert(std::is_same_v<decltype(&aqk3310_reset), Aqk3310ResetFn>);
#endif

#if !defined(AQK3310_OMIT_error_query)
SIM_EXPORT ViStatus SFP_VI_CALL aqk3310_error_query(ViSession vi, ViInt32* code, ViChar* message) {
    return OnSession(vi, [&](const DriverSession& session) -> ViStatus {
        if (code == nullptr) {
            return VI_ERROR_PARAMETER2;
        }
        if (message == nullptr) {
            return VI_ERROR_PARAMETER3;
        }
        long entry = 0;
        const ViStatus status =
            QueryCodeAndText(vi, session, "SYST:ERR?", INT32_MIN, INT32_MAX, &entry, message);
        if (status >= 0) {
            *code = static_cast<ViInt32>(entry);
        }
        return status;
    });
}
static_assert(std::is_same_v<decltype(&aqk3310_error_query), Aqk3310ErrorQueryFn>);
#endif

// Works without a session too (VI_NULL), so that a failed aqk3310_init can be described.
#if !defined(AQK3310_OMIT_error_message)
SIM_EXPORT ViStatus SFP_VI_CALL aqk3310_error_message(ViSession vi, ViStatus status,
                                                      ViChar* message) {
    return Guarded([&]() -> ViStatus {
        if (message == nullptr) {
            return VI_ERROR_PARAMETER3;
        }
        DriverSession session;
        const bool unterminated = FindSession(vi, &session) && session.unterminatedText;
        for (const auto& entry : kDriverTexts) {
            if (entry.status == status) {
                PutText(entry.text, message, unterminated);
                return VI_SUCCESS;
            }
        }
        ViChar text[kDriverTextSize] = {};
        ViStatus described = viStatusDesc(vi, status, text);
        if (described < 0) {
            std::snprintf(text, sizeof(text), "Unknown status 0x%08X.",
                          static_cast<unsigned>(status));
            described = VI_WARN_UNKNOWN_STATUS;
        }
        text[kDriverTextSize - 1] = '\0';
        PutText(text, message, unterminated);
        return described;
    });
}
static_assert(std::is_same_v<decltype(&aqk3310_error_message), Aqk3310ErrorMessageFn>);
#endif

#if !defined(AQK3310_OMIT_measDigPort_Q)
SIM_EXPORT ViStatus SFP_VI_CALL aqk3310_measDigPort_Q(ViSession vi, ViInt16 port, ViUInt16* value) {
    return Guarded([&] { return PortQuery(vi, port, value, "MEAS:DIG:PORT?"); });
}
static_assert(std::is_same_v<decltype(&aqk3310_measDigPort_Q), Aqk3310PortQueryFn>);
#endif

#if !defined(AQK3310_OMIT_sensPosPortTran_Q)
SIM_EXPORT ViStatus SFP_VI_CALL aqk3310_sensPosPortTran_Q(ViSession vi, ViInt16 port,
                                                          ViUInt16* value) {
    return Guarded([&] { return PortQuery(vi, port, value, "SENS:POS:PORT:TRAN?"); });
}
static_assert(std::is_same_v<decltype(&aqk3310_sensPosPortTran_Q), Aqk3310PortQueryFn>);
#endif

#if !defined(AQK3310_OMIT_sensNegPortTran_Q)
SIM_EXPORT ViStatus SFP_VI_CALL aqk3310_sensNegPortTran_Q(ViSession vi, ViInt16 port,
                                                          ViUInt16* value) {
    return Guarded([&] { return PortQuery(vi, port, value, "SENS:NEG:PORT:TRAN?"); });
}
static_assert(std::is_same_v<decltype(&aqk3310_sensNegPortTran_Q), Aqk3310PortQueryFn>);
#endif

SIM_EXPORT ViStatus SFP_VI_CALL aqk3310_revision_query(ViSession vi, ViChar* driverRevision,
                                                       ViChar* instrumentRevision) {
    return OnSession(vi, [&](const DriverSession& session) -> ViStatus {
        if (driverRevision == nullptr) {
            return VI_ERROR_PARAMETER2;
        }
        if (instrumentRevision == nullptr) {
            return VI_ERROR_PARAMETER3;
        }
        std::string reply;
        const ViStatus status = Query(vi, "*IDN?", &reply);
        if (status < 0) {
            return status;
        }
        // The fourth field of the identification is the firmware revision.
        std::string::size_type field = 0;
        for (int i = 0; i < 3; ++i) {
            const std::string::size_type comma = reply.find(',', field);
            if (comma == std::string::npos) {
                return VI_ERROR_INV_RESPONSE;
            }
            field = comma + 1;
        }
        PutText(kDriverRevision, driverRevision, session.unterminatedText);
        PutText(reply.substr(field), instrumentRevision, session.unterminatedText);
        return VI_SUCCESS;
    });
}
static_assert(std::is_same_v<decltype(&aqk3310_revision_query), Aqk3310RevisionQueryFn>);
