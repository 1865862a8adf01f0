#pragma once

#include "instrument/VisaTypes.h"

// What the substitute libraries offer beyond VISA and the driver conventions.
namespace sim {

// The environment variable that names the scenario file (YAML). Unset: the built-in scenario.
constexpr const char* kScenarioVariable = "SFP_SIM_SCENARIO";

// A private attribute of the substitute VISA library: bit 0 set asks the driver to hand texts
// back with no terminating zero. Other VISA libraries answer VI_ERROR_NSUP_ATTR.
constexpr ViAttr kSimAttrDriverQuirks = 0x3FFFFF01;
constexpr ViUInt32 kQuirkUnterminatedText = 1;

}  // namespace sim

// Exports of the substitute VISA library for tests: the calls it saw since the scenario was
// loaded, one a line, copied cut to fit and terminated (returns the full length); and how many
// sessions are open.
using SimTraceFn = ViUInt32(SFP_VI_CALL*)(ViChar* buffer, ViUInt32 size);
using SimOpenSessionCountFn = ViInt32(SFP_VI_CALL*)();
