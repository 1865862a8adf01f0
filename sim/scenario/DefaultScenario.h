#pragma once

#include "sim/scenario/Scenario.h"

namespace sim {

// The scenario in force when SFP_SIM_SCENARIO is not set: one K3310 at VXI0::24::INSTR, as
// sim/scenarios/default.yaml describes it. Built as data, not parsed: a start on it runs no
// YAML reader.
Scenario DefaultScenario();

}  // namespace sim
