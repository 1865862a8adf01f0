#pragma once
// The session check of the exports that reach no further into the library's state.

#include "instrument/VisaTypes.h"

namespace sim {

// VI_SUCCESS for an open instrument session, VI_ERROR_NSUP_OPER for any other open session
// (the resource manager, a find list), VI_ERROR_INV_OBJECT for one that is not open.
ViStatus CheckInstrument(ViSession vi);

}  // namespace sim
