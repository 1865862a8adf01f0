#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "recording/RecordingFile.h"

// The command line of aq3310-rec.
struct RecOptions {
    std::vector<std::string> resources;  // -a, once per module: open these, no search
    int intervalMs = 100;                // -i: 10 to 10000
    bool onChange = false;               // --on-change
    double seconds = 0;                  // -d: 0 records until interrupted
    std::string output;                  // -o: "-" is standard output; empty for the default
    RecordingFormat format = RecordingFormat::Vcd;
    bool vectors = false;       // --vectors: each port's 16-bit vector beside its wires
    std::vector<int> channels;  // -C: the inputs written, all 64 when not given
    std::string trigger;        // -t: wait for this condition (sigrok-cli's syntax)
    double preSeconds = 1;      // --pre: kept from before the trigger
    bool help = false;
    bool version = false;
};

// Reads the arguments (without the program name). False with the reason in error.
bool ParseRecOptions(int argc, const char* const* argv, RecOptions* options, std::string* error);

// The file a recording goes to when -o names none: aq3310-YYYYMMDD-HHMMSS.vcd (or .csv), the
// local time of the start, so that one run never overwrites another's.
std::string DefaultOutputName(RecordingFormat format, std::time_t start);

extern const char* const kRecUsage;
