#pragma once

#include "instrument/VisaTypes.h"

// The module's instrument-driver functions as this program calls them. Every text argument is a
// caller's buffer of kDriverTextSize characters that the driver fills with a terminated text.
constexpr int kDriverTextSize = 256;
// The I/O time-out every session of the module gets: a dead link shows within it.
constexpr ViInt32 kDriverTimeoutMs = 500;

using Aqk3310InitFn = ViStatus(SFP_VI_CALL*)(const ViChar* resourceName, ViBoolean idQuery,
                                             ViBoolean reset, ViSession* vi);
using Aqk3310TimeOutFn = ViStatus(SFP_VI_CALL*)(ViSession vi, ViInt32 milliseconds);
using Aqk3310CloseFn = ViStatus(SFP_VI_CALL*)(ViSession vi);
using Aqk3310SelfTestFn = ViStatus(SFP_VI_CALL*)(ViSession vi, ViInt16* result, ViChar* message);
using Aqk3310ResetFn = ViStatus(SFP_VI_CALL*)(ViSession vi);
using Aqk3310ErrorQueryFn = ViStatus(SFP_VI_CALL*)(ViSession vi, ViInt32* code, ViChar* message);
using Aqk3310ErrorMessageFn = ViStatus(SFP_VI_CALL*)(ViSession vi, ViStatus status,
                                                     ViChar* message);
// measDigPort_Q, sensPosPortTran_Q and sensNegPortTran_Q: port 0 to 3, 16-bit register value.
using Aqk3310PortQueryFn = ViStatus(SFP_VI_CALL*)(ViSession vi, ViInt16 port, ViUInt16* value);
using Aqk3310RevisionQueryFn = ViStatus(SFP_VI_CALL*)(ViSession vi, ViChar* driverRevision,
                                                      ViChar* instrumentRevision);
