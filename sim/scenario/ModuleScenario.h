#pragma once

// The model of one simulated K3310 as a scenario describes it: how its inputs move, its
// self-test, its error queue and the faults it shows. Apart from the resources, which are
// VISA's side of a scenario, so that the module's side reads in one place.
#include <array>
#include <cstdint>
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

}  // namespace sim
