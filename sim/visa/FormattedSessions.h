#pragma once

#include "instrument/VisaTypes.h"

namespace sim {

// Drops what the session's formatted I/O buffers hold (viClear); nothing when the session
// never used formatted I/O.
void DiscardFormatted(ViSession vi);

}  // namespace sim
