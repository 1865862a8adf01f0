// Kept apart from the rest: only tests compare scenarios, so the library leaves this out.
#include <tuple>

#include "sim/scenario/Scenario.h"

namespace sim {

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
                    a.faults, a.longTexts, a.endlessErrorQueue, a.unterminatedText, a.replay) ==
           std::tie(b.ports, b.stepMs, b.selfTestResult, b.selfTestMessage, b.errors, b.errorsAfter,
                    b.faults, b.longTexts, b.endlessErrorQueue, b.unterminatedText, b.replay);
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
