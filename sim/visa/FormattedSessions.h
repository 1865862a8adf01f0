#pragma once

#include "instrument/VisaTypes.h"

namespace sim {

// Drops what the session's formatted reads hold back (viClear, viFlush); nothing when the
// session never used formatted I/O.
void DiscardFormatted(ViSession vi);

}  // namespace sim
