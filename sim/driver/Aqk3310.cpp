// The substitute K3310 instrument driver. It reaches the module only through VISA: each
// operation writes one command over the session and reads the module's reply. No exception may
// leave a function of this file: the caller is C.
// The session table is in DriverSessions, one exchange with the module in ModuleExchange.
#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>

#include "instrument/DriverApi.h"
#include "instrument/VisaApi.h"
#include "sim/driver/Aqk3310Status.h"
#include "sim/driver/DriverSessions.h"
#include "sim/driver/ModuleExchange.h"
#include "sim/driver/VisaCalls.h"
#include "sim/visa/SimExport.h"
#include "sim/visa/SimHooks.h"

using aqk3310::AddSession;
using aqk3310::DriverSession;
using aqk3310::FindSession;
using aqk3310::OnSession;
using aqk3310::ParseInteger;
using aqk3310::PutText;
using aqk3310::Query;
using aqk3310::QueryCodeAndText;
using aqk3310::Send;
using aqk3310::TakeSession;

namespace {

constexpr const char* kDriverRevision = "1.0.0";
constexpr const char* kModuleIdentity = "ZENTRAX-MOLBURY,K3310";
constexpr ViUInt32 kDefaultTimeoutMs = 2000;

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
        DriverSession session;
        session.rm = rm;
        session.unterminatedText = (quirks & sim::kQuirkUnterminatedText) != 0;
        AddSession(instrument, session);
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
        if (!TakeSession(vi, &session)) {
            return AQK3310_ERROR_INV_SESSION;
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
