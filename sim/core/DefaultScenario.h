#pragma once

namespace sim {

// The scenario in force when SFP_SIM_SCENARIO is not set: one K3310 at VXI0::24::INSTR.
// Built from sim/scenarios/default.yaml.
const char* DefaultScenarioText();

}  // namespace sim
