#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "instrument/VisaTypes.h"
#include "sim/replay/ReplayScenario.h"

namespace sim {

// How one 16-bit input port changes from one step of the module's clock to the next.
struct PortStimulus {
    enum class Mode { Fixed, Count, Walk, Random };
    Mode mode = Mode::Fixed;
    std::uint16_t start = 0;      // value at step 0 (fixed, count, random) or first bit (walk)
    std::uint16_t step = 1;       // count: added per step
    bool invert = false;          // walk: a walking zero instead of a walking one
    std::uint32_t seed = 1;       // random: generator seed
    std::uint16_t mask = 0xFFFF;  // random: bits that may toggle
};

struct ErrorEntry {
    std::int32_t code = 0;
    std::string text;
};

// A command (matched by its header, case-insensitive) that fails with a status: a query gets
// no reply and the following read returns the status; any other command's write returns it.
struct CommandFault {
    std::string command;
    ViStatus status = VI_ERROR_TMO;
    int skip = 0;    // matching commands that pass first
    int every = 1;   // after those, it hits one matching command in this many (the last)
    int times = -1;  // how often it fails after that; -1: every time
    int seen = 0;    // matching commands since its last hit, while the module runs
};

// An entry the module queues each time a command (matched by header) has run.
struct QueuedError {
    std::string command;
    ErrorEntry entry;
    int skip = 0;
    int every = 1;
    int times = -1;
    int seen = 0;
};

struct ModuleScenario {
    std::array<PortStimulus, 4> ports;
    unsigned stepMs = 0;  // 0: the inputs step once per command, else once per stepMs of time
    std::int16_t selfTestResult = 0;
    std::string selfTestMessage = "Self test passed";
    std::vector<ErrorEntry> errors;
    std::vector<QueuedError> errorsAfter;
    std::vector<CommandFault> faults;
    bool longTexts = false;                // texts padded past what a 256-byte buffer holds
    bool endlessErrorQueue = false;        // the queue never reports empty
    bool unterminatedText = false;         // the driver fills text buffers with no terminating zero
    std::optional<ReplayScenario> replay;  // a recording drives the inputs instead of ports
};

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
