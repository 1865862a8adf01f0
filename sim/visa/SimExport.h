#pragma once

#include "instrument/VisaTypes.h"

// Exported C functions of the substitute libraries. The libraries are built with hidden
// visibility; on Windows the .def file names the exports, undecorated.
#if defined(_WIN32)
#define SIM_EXPORT extern "C"
#else
#define SIM_EXPORT extern "C" __attribute__((visibility("default")))
#endif
