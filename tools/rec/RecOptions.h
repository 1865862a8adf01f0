#pragma once

#include <string>

#include "recording/RecordingFile.h"

// The command line of aq3310-rec.
struct RecOptions {
    std::string resource;   // -a: open this resource, no search or identification
    int intervalMs = 100;   // -i: 10 to 10000
    bool onChange = false;  // --on-change
    double seconds = 0;     // -d: 0 records until interrupted
    std::string output;     // -o: default aq3310.vcd or aq3310.csv
    RecordingFormat format = RecordingFormat::Vcd;
    bool vectors = true;  // --no-vectors: wires only
    bool help = false;
};

// Reads the arguments (without the program name). False with the reason in error.
bool ParseRecOptions(int argc, const char* const* argv, RecOptions* options, std::string* error);

extern const char* const kRecUsage;
