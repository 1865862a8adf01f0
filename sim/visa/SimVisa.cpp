// The substitute VISA library: VISA's C interface over the library's parts (sim/library). No
// exception may leave a function of this file: the caller is C.
#include <algorithm>
#include <cstdarg>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <type_traits>

#include "instrument/VisaApi.h"
#include "sim/library/Library.h"
#include "sim/visa/FormattedSessions.h"
#include "sim/visa/SimExport.h"
#include "sim/visa/SimHooks.h"

namespace {

sim::CLibrary& Library() {
    return sim::CLibrary::Instance();
}

}  // namespace

// Test builds leave out one function at a time (SIM_OMIT_<name>) to check how callers cope.
#if !defined(SIM_OMIT_viOpenDefaultRM)
SIM_EXPORT ViStatus SFP_VI_CALL viOpenDefaultRM(ViSession* rm) {
    return Guarded([&] { return Library().Manager().OpenDefaultRM(rm); });
}
static_assert(std::is_same_v<decltype(&viOpenDefaultRM), ViOpenDefaultRMFn>);
#endif

#if !defined(SIM_OMIT_viFindRsrc)
SIM_EXPORT ViStatus SFP_VI_CALL viFindRsrc(ViSession rm, const ViChar* expression,
                                           ViFindList* findList, ViUInt32* count, ViChar* name) {
    return Guarded(
        [&] { return Library().Manager().FindRsrc(rm, expression, findList, count, name); });
}
static_assert(std::is_same_v<decltype(&viFindRsrc), ViFindRsrcFn>);
#endif

#if !defined(SIM_OMIT_viFindNext)
SIM_EXPORT ViStatus SFP_VI_CALL viFindNext(ViFindList findList, ViChar* name) {
    return Guarded([&] { return Library().Manager().FindNext(findList, name); });
}
static_assert(std::is_same_v<decltype(&viFindNext), ViFindNextFn>);
#endif

#if !defined(SIM_OMIT_viOpen)
SIM_EXPORT ViStatus SFP_VI_CALL viOpen(ViSession rm, const ViChar* name, ViAccessMode mode,
                                       ViUInt32 openTimeout, ViSession* vi) {
    return Guarded([&] { return Library().Sessions().Open(rm, name, mode, openTimeout, vi); });
}
static_assert(std::is_same_v<decltype(&viOpen), ViOpenFn>);
#endif

#if !defined(SIM_OMIT_viClose)
SIM_EXPORT ViStatus SFP_VI_CALL viClose(ViObject vi) {
    return Guarded([&] { return Library().Sessions().Close(vi); });
}
static_assert(std::is_same_v<decltype(&viClose), ViCloseFn>);
#endif

#if !defined(SIM_OMIT_viGetAttribute)
SIM_EXPORT ViStatus SFP_VI_CALL viGetAttribute(ViObject vi, ViAttr attribute, void* value) {
    return Guarded([&] { return Library().Attributes().Get(vi, attribute, value); });
}
static_assert(std::is_same_v<decltype(&viGetAttribute), ViGetAttributeFn>);
#endif

SIM_EXPORT ViStatus SFP_VI_CALL viSetAttribute(ViObject vi, ViAttr attribute, ViAttrState value) {
    return Guarded([&] { return Library().Attributes().Set(vi, attribute, value); });
}
static_assert(std::is_same_v<decltype(&viSetAttribute), ViSetAttributeFn>);

#if !defined(SIM_OMIT_viWrite)
SIM_EXPORT ViStatus SFP_VI_CALL viWrite(ViSession vi, const ViByte* buffer, ViUInt32 count,
                                        ViUInt32* written) {
    return Guarded([&] { return Library().Io().Write(vi, buffer, count, written); });
}
static_assert(std::is_same_v<decltype(&viWrite), ViWriteFn>);
#endif

#if !defined(SIM_OMIT_viRead)
SIM_EXPORT ViStatus SFP_VI_CALL viRead(ViSession vi, ViByte* buffer, ViUInt32 count,
                                       ViUInt32* read) {
    return Guarded([&] { return Library().Io().Read(vi, buffer, count, read); });
}
static_assert(std::is_same_v<decltype(&viRead), ViReadFn>);
#endif

SIM_EXPORT ViStatus SFP_VI_CALL viStatusDesc(ViObject /*vi*/, ViStatus status, ViChar* text) {
    return Guarded([&] { return Library().Manager().StatusDesc(status, text); });
}
static_assert(std::is_same_v<decltype(&viStatusDesc), ViStatusDescFn>);

// Not VISA: lets tests see what the library was asked.
SIM_EXPORT ViUInt32 SFP_VI_CALL simTrace(ViChar* buffer, ViUInt32 size) {
    try {
        const std::string trace = Library().Trace();
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
        return Library().Sessions().OpenCount();
    } catch (...) {
        return -1;
    }
}
static_assert(std::is_same_v<decltype(&simTrace), SimTraceFn>);
static_assert(std::is_same_v<decltype(&simOpenSessionCount), SimOpenSessionCountFn>);

// The rest of VISA's interface, which the program itself does not bind (register access is in
// RegisterExports.cpp).
SIM_EXPORT ViStatus SFP_VI_CALL viParseRsrc(ViSession rm, const ViChar* name, ViUInt16* type,
                                            ViUInt16* number) {
    return Guarded([&] {
        return Library().Manager().ParseRsrc(rm, name, type, number, nullptr, nullptr, nullptr);
    });
}

SIM_EXPORT ViStatus SFP_VI_CALL viParseRsrcEx(ViSession rm, const ViChar* name, ViUInt16* type,
                                              ViUInt16* number, ViChar* resourceClass,
                                              ViChar* unaliased, ViChar* alias) {
    return Guarded([&] {
        return Library().Manager().ParseRsrc(rm, name, type, number, resourceClass, unaliased,
                                             alias);
    });
}

SIM_EXPORT ViStatus SFP_VI_CALL viReadSTB(ViSession vi, ViUInt16* status) {
    return Guarded([&] { return Library().Io().ReadStb(vi, status); });
}

SIM_EXPORT ViStatus SFP_VI_CALL viClear(ViSession vi) {
    return Guarded([&]() -> ViStatus {
        const ViStatus status = Library().Io().Clear(vi);
        if (status >= 0) {
            sim::DiscardFormatted(vi);
        }
        return status;
    });
}

SIM_EXPORT ViStatus SFP_VI_CALL viAssertTrigger(ViSession vi, ViUInt16 protocol) {
    return Guarded([&] { return Library().Io().AssertTrigger(vi, protocol); });
}

SIM_EXPORT ViStatus SFP_VI_CALL viLock(ViSession vi, ViAccessMode type, ViUInt32 timeout,
                                       ViKeyId requestedKey, ViChar* accessKey) {
    return Guarded(
        [&] { return Library().Locks().Lock(vi, type, timeout, requestedKey, accessKey); });
}

SIM_EXPORT ViStatus SFP_VI_CALL viUnlock(ViSession vi) {
    return Guarded([&] { return Library().Locks().Unlock(vi); });
}

SIM_EXPORT ViStatus SFP_VI_CALL viEnableEvent(ViSession vi, ViEventType type, ViUInt16 mechanism,
                                              ViEventFilter /*context*/) {
    return Guarded([&] { return Library().Events().Enable(vi, type, mechanism); });
}

SIM_EXPORT ViStatus SFP_VI_CALL viDisableEvent(ViSession vi, ViEventType type, ViUInt16 mechanism) {
    return Guarded([&] { return Library().Events().Disable(vi, type, mechanism); });
}

SIM_EXPORT ViStatus SFP_VI_CALL viDiscardEvents(ViSession vi, ViEventType type,
                                                ViUInt16 mechanism) {
    return Guarded([&] { return Library().Events().Discard(vi, type, mechanism); });
}

SIM_EXPORT ViStatus SFP_VI_CALL viWaitOnEvent(ViSession vi, ViEventType type, ViUInt32 timeout,
                                              ViEventType* outType, ViEvent* outContext) {
    return Guarded([&] { return Library().Events().Wait(vi, type, timeout, outType, outContext); });
}

SIM_EXPORT ViStatus SFP_VI_CALL viInstallHandler(ViSession vi, ViEventType type,
                                                 sim::EventHandler handler, ViAddr user) {
    return Guarded([&] { return Library().Events().InstallHandler(vi, type, handler, user); });
}

SIM_EXPORT ViStatus SFP_VI_CALL viUninstallHandler(ViSession vi, ViEventType type,
                                                   sim::EventHandler handler, ViAddr user) {
    return Guarded([&] { return Library().Events().UninstallHandler(vi, type, handler, user); });
}
