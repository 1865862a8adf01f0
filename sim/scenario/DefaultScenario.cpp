#include "sim/scenario/DefaultScenario.h"

namespace sim {

// Keep in step with sim/scenarios/default.yaml; a test compares the two.
Scenario DefaultScenario() {
    ModuleScenario module;
    module.stepMs = 100;
    module.ports[0].mode = PortStimulus::Mode::Count;
    module.ports[0].start = 0;
    module.ports[0].step = 1;
    module.ports[1].mode = PortStimulus::Mode::Walk;
    module.ports[1].start = 0;
    module.ports[2].mode = PortStimulus::Mode::Random;
    module.ports[2].seed = 3310;
    module.ports[2].mask = 0x0F0F;
    module.ports[3].mode = PortStimulus::Mode::Fixed;
    module.ports[3].start = 0xA5A5;
    module.selfTestResult = 0;
    module.selfTestMessage = "Self test passed";

    ResourceScenario resource;
    resource.name = "VXI0::24::INSTR";
    resource.interfaceType = VI_INTF_VXI;
    resource.slot = 24;
    resource.manufacturer = 0xFFF;
    resource.model = 0x154;
    resource.module = module;

    Scenario scenario;
    scenario.resources.push_back(resource);
    return scenario;
}

}  // namespace sim
