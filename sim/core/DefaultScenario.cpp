#include "sim/core/DefaultScenario.h"

#include <tuple>

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

bool operator==(const PortStimulus& a, const PortStimulus& b) {
    return std::tie(a.mode, a.start, a.step, a.invert, a.seed, a.mask) ==
           std::tie(b.mode, b.start, b.step, b.invert, b.seed, b.mask);
}

bool operator==(const ErrorEntry& a, const ErrorEntry& b) {
    return a.code == b.code && a.text == b.text;
}

bool operator==(const CommandFault& a, const CommandFault& b) {
    return std::tie(a.command, a.status, a.skip, a.every, a.times) ==
           std::tie(b.command, b.status, b.skip, b.every, b.times);
}

bool operator==(const QueuedError& a, const QueuedError& b) {
    return std::tie(a.command, a.entry, a.skip, a.every, a.times) ==
           std::tie(b.command, b.entry, b.skip, b.every, b.times);
}

bool operator==(const ModuleScenario& a, const ModuleScenario& b) {
    return std::tie(a.ports, a.stepMs, a.selfTestResult, a.selfTestMessage, a.errors, a.errorsAfter,
                    a.faults, a.longTexts, a.endlessErrorQueue, a.unterminatedText) ==
           std::tie(b.ports, b.stepMs, b.selfTestResult, b.selfTestMessage, b.errors, b.errorsAfter,
                    b.faults, b.longTexts, b.endlessErrorQueue, b.unterminatedText);
}

bool operator==(const ResourceScenario& a, const ResourceScenario& b) {
    return std::tie(a.name, a.interfaceType, a.slot, a.manufacturer, a.model, a.openStatus,
                    a.attributeStatus, a.idn, a.idnEnd, a.longIdn, a.module) ==
           std::tie(b.name, b.interfaceType, b.slot, b.manufacturer, b.model, b.openStatus,
                    b.attributeStatus, b.idn, b.idnEnd, b.longIdn, b.module);
}

bool operator==(const Scenario& a, const Scenario& b) {
    return std::tie(a.defaultRmStatus, a.findStatus, a.findFailAfter, a.findFailStatus,
                    a.resources) == std::tie(b.defaultRmStatus, b.findStatus, b.findFailAfter,
                                             b.findFailStatus, b.resources);
}

}  // namespace sim
