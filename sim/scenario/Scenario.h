#pragma once

// A scenario: the resources the library shows, how its calls fail, and the module behind a
// resource (ModuleScenario.h); read from YAML (ParseScenario) or built in (DefaultScenario).
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "instrument/VisaTypes.h"
#include "sim/scenario/ModuleScenario.h"

namespace sim {

// A 16-bit attribute: absent means the resource does not support it.
using Attribute16 = std::optional<std::uint16_t>;

struct ResourceScenario {
    std::string name;
    std::uint16_t interfaceType = 0;
    Attribute16 slot;  // 0xFFFF is VISA's unknown slot
    Attribute16 manufacturer;
    Attribute16 model;
    ViStatus openStatus = VI_SUCCESS;
    std::map<ViAttr, ViStatus> attributeStatus;  // statuses of single attribute reads
    std::optional<std::string> idn;              // reply to "*IDN?"
    bool idnEnd = true;    // the reply is terminated; if not, a read waits for more and times out
    bool longIdn = false;  // the reply is stretched to 100 bytes with no terminator
    std::optional<ModuleScenario> module;
    int line = 0;
};

struct Scenario {
    ViStatus defaultRmStatus = VI_SUCCESS;
    ViStatus findStatus = VI_SUCCESS;
    std::optional<unsigned> findFailAfter;  // viFindNext fails once this many names were given
    ViStatus findFailStatus = VI_ERROR_SYSTEM_ERROR;
    std::vector<ResourceScenario> resources;
};

// Equal when they describe the same behaviour; where a resource was in its file (line) and
// the run-time counts of faults and queued errors (seen) do not count.
bool operator==(const PortStimulus& a, const PortStimulus& b);
bool operator==(const ErrorEntry& a, const ErrorEntry& b);
bool operator==(const CommandFault& a, const CommandFault& b);
bool operator==(const QueuedError& a, const QueuedError& b);
bool operator==(const ModuleScenario& a, const ModuleScenario& b);
bool operator==(const ResourceScenario& a, const ResourceScenario& b);
bool operator==(const Scenario& a, const Scenario& b);

// The identification a K3310 gives when the scenario names none.
extern const char* const kModuleIdn;

struct ParseResult {
    std::optional<Scenario> scenario;
    std::string error;  // "<file>:<line>: <problem>" when scenario is empty
};

// The largest scenario file read; the YAML reader needs tens of times its size in memory.
constexpr std::size_t kMaxScenarioBytes = 1 << 20;

// Reads a scenario file: only a regular file of at most kMaxScenarioBytes. On failure *error is
// "<file>:0: <problem>".
bool ReadScenarioFile(const std::string& path, std::string* text, std::string* error);

// Control bytes as \xHH, so that a text from a file can be shown or printed safely.
std::string EscapeControls(const std::string& text);

// Reads a scenario from YAML text; fileName only labels messages. Never throws.
ParseResult ParseScenario(const std::string& text, const std::string& fileName);

}  // namespace sim
