#pragma once

// Reads a resource's module: mapping (its inputs, self-test, error queue, command faults and
// replay) into the model of the module. Apart from the rest of the file's reader because the
// module is the larger half of a scenario and changes with the module, not with VISA.
#include <yaml-cpp/yaml.h>

#include <string>

#include "sim/scenario/Scenario.h"

namespace sim {

class CScenarioChecks;

class CModuleParser {
public:
    explicit CModuleParser(CScenarioChecks& checks) : m_checks(checks) {}

    // False, with the problem in the checks, when the mapping is not a valid module.
    bool Module(const YAML::Node& node, ModuleScenario* module);

private:
    bool Port(const YAML::Node& node, PortStimulus* port);
    bool Entry(const YAML::Node& node, ErrorEntry* entry);
    bool Command(const YAML::Node& node, std::string* command);
    template <typename Scheduled>
    bool Repeat(const YAML::Node& node, Scheduled* entry);
    bool Replay(const YAML::Node& node, ReplayScenario* replay);

    CScenarioChecks& m_checks;
};

}  // namespace sim
