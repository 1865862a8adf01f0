#pragma once

#include "instrument/VisaTypes.h"

// Exported C functions of the substitute libraries. The libraries are built with hidden
// visibility; on Windows the .def file names the exports, undecorated.
#if defined(_WIN32)
#define SIM_EXPORT extern "C"
#else
#define SIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Runs a call so that no exception can leave it: a C caller could not handle one.
template <typename Call>
ViStatus Guarded(Call call) noexcept {
    try {
        return call();
    } catch (...) {
        return VI_ERROR_SYSTEM_ERROR;
    }
}
