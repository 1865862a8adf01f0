// The substitute VISA library: VISA's C interface over the simulated bus. No exception may
// leave a function of this file: the caller is C.
#include <algorithm>
#include <cstring>
#include <string>
#include <type_traits>

#include "instrument/VisaApi.h"
#include "sim/core/Bus.h"
#include "sim/visa/SimExport.h"
#include "sim/visa/SimHooks.h"

namespace {

sim::CBus& Bus() {
    return sim::CBus::Instance();
}

}  // namespace

// Test builds leave out one function at a time (SIM_OMIT_<name>) to check how callers cope.
#if !defined(SIM_OMIT_viOpenDefaultRM)
SIM_EXPORT ViStatus SFP_VI_CALL viOpenDefaultRM(ViSession* rm) {
    return Guarded([&] { return Bus().OpenDefaultRM(rm); });
}
static_assert(std::is_same_v<decltype(&viOpenDefaultRM), ViOpenDefaultRMFn>);
#endif

#if !defined(SIM_OMIT_viFindRsrc)
SIM_EXPORT ViStatus SFP_VI_CALL viFindRsrc(ViSession rm, const ViChar* expression,
                                           ViFindList* findList, ViUInt32* count, ViChar* name) {
    return Guarded([&] { return Bus().FindRsrc(rm, expression, findList, count, name); });
}
static_assert(std::is_same_v<decltype(&viFindRsrc), ViFindRsrcFn>);
#endif

#if !defined(SIM_OMIT_viFindNext)
SIM_EXPORT ViStatus SFP_VI_CALL viFindNext(ViFindList findList, ViChar* name) {
    return Guarded([&] { return Bus().FindNext(findList, name); });
}
static_assert(std::is_same_v<decltype(&viFindNext), ViFindNextFn>);
#endif

#if !defined(SIM_OMIT_viOpen)
SIM_EXPORT ViStatus SFP_VI_CALL viOpen(ViSession rm, const ViChar* name, ViAccessMode mode,
                                       ViUInt32 /*openTimeout*/, ViSession* vi) {
    return Guarded([&] { return Bus().Open(rm, name, mode, vi); });
}
static_assert(std::is_same_v<decltype(&viOpen), ViOpenFn>);
#endif

#if !defined(SIM_OMIT_viClose)
SIM_EXPORT ViStatus SFP_VI_CALL viClose(ViObject vi) {
    return Guarded([&] { return Bus().Close(vi); });
}
static_assert(std::is_same_v<decltype(&viClose), ViCloseFn>);
#endif

#if !defined(SIM_OMIT_viGetAttribute)
SIM_EXPORT ViStatus SFP_VI_CALL viGetAttribute(ViObject vi, ViAttr attribute, void* value) {
    return Guarded([&] { return Bus().GetAttribute(vi, attribute, value); });
}
static_assert(std::is_same_v<decltype(&viGetAttribute), ViGetAttributeFn>);
#endif

SIM_EXPORT ViStatus SFP_VI_CALL viSetAttribute(ViObject vi, ViAttr attribute, ViAttrState value) {
    return Guarded([&] { return Bus().SetAttribute(vi, attribute, value); });
}
static_assert(std::is_same_v<decltype(&viSetAttribute), ViSetAttributeFn>);

#if !defined(SIM_OMIT_viWrite)
SIM_EXPORT ViStatus SFP_VI_CALL viWrite(ViSession vi, const ViByte* buffer, ViUInt32 count,
                                        ViUInt32* written) {
    return Guarded([&] { return Bus().Write(vi, buffer, count, written); });
}
static_assert(std::is_same_v<decltype(&viWrite), ViWriteFn>);
#endif

#if !defined(SIM_OMIT_viRead)
SIM_EXPORT ViStatus SFP_VI_CALL viRead(ViSession vi, ViByte* buffer, ViUInt32 count,
                                       ViUInt32* read) {
    return Guarded([&] { return Bus().Read(vi, buffer, count, read); });
}
static_assert(std::is_same_v<decltype(&viRead), ViReadFn>);
#endif

SIM_EXPORT ViStatus SFP_VI_CALL viStatusDesc(ViObject /*vi*/, ViStatus status, ViChar* text) {
    return Guarded([&] { return Bus().StatusDesc(status, text); });
}
static_assert(std::is_same_v<decltype(&viStatusDesc), ViStatusDescFn>);

// Not VISA: lets tests see what the library was asked.
SIM_EXPORT ViUInt32 SFP_VI_CALL simTrace(ViChar* buffer, ViUInt32 size) {
    try {
        const std::string trace = Bus().Trace();
        if (buffer != nullptr && size > 0) {
            const std::size_t length = std::min<std::size_t>(trace.size(), size - 1);
            std::memcpy(buffer, trace.data(), length);
            buffer[length] = '\0';
        }
        return static_cast<ViUInt32>(trace.size());
    } catch (...) {
        return 0;
    }
}

SIM_EXPORT ViInt32 SFP_VI_CALL simOpenSessionCount() {
    try {
        return Bus().OpenSessionCount();
    } catch (...) {
        return -1;
    }
}
static_assert(std::is_same_v<decltype(&simTrace), SimTraceFn>);
static_assert(std::is_same_v<decltype(&simOpenSessionCount), SimOpenSessionCountFn>);
