#pragma once

#include <string>

#include "instrument/VisaTypes.h"

namespace sim {

// A status the simulated VISA library knows by name, with its description.
struct StatusInfo {
    ViStatus status;
    const char* name;
    const char* text;
};

// Null for a status that has no entry.
const StatusInfo* FindStatus(ViStatus status);
// The status of a name such as "VI_ERROR_TMO"; false when the name is unknown.
bool StatusFromName(const std::string& name, ViStatus* status);

}  // namespace sim
