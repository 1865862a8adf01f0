#include "tools/rec/RecOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

const char* const kRecUsage =
    "usage: aq3310-rec [-a RESOURCE] [-i INTERVAL_MS | --on-change] [-d SECONDS] [-o FILE]\n"
    "                  [--format vcd|csv] [--no-vectors]\n";

namespace {

bool ParseNumber(const std::string& text, double low, double high, double* value) {
    if (text.empty()) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const double parsed = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(parsed) || parsed < low || parsed > high) {
        return false;
    }
    *value = parsed;
    return true;
}

}  // namespace

bool ParseRecOptions(int argc, const char* const* argv, RecOptions* options, std::string* error) {
    RecOptions parsed;
    bool formatGiven = false;
    bool intervalGiven = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue =
            arg == "-a" || arg == "-i" || arg == "-d" || arg == "-o" || arg == "--format";
        if (takesValue && i + 1 >= argc) {
            *error = arg + " needs a value";
            return false;
        }
        if (arg == "-h" || arg == "--help") {
            parsed.help = true;
        } else if (arg == "--no-vectors") {
            parsed.vectors = false;
        } else if (arg == "--on-change") {
            parsed.onChange = true;
        } else if (arg == "-a") {
            parsed.resource = argv[++i];
        } else if (arg == "-i") {
            double ms = 0;
            if (!ParseNumber(argv[++i], 10, 10000, &ms) || ms != std::floor(ms)) {
                *error = "-i takes a whole number of milliseconds from 10 to 10000";
                return false;
            }
            parsed.intervalMs = static_cast<int>(ms);
            intervalGiven = true;
        } else if (arg == "-d") {
            if (!ParseNumber(argv[++i], 0, 1e7, &parsed.seconds)) {
                *error = "-d takes a number of seconds (0: until interrupted)";
                return false;
            }
        } else if (arg == "-o") {
            parsed.output = argv[++i];
        } else if (arg == "--format") {
            if (!ParseRecordingFormat(argv[++i], &parsed.format)) {
                *error = "--format takes vcd or csv";
                return false;
            }
            formatGiven = true;
        } else {
            *error = "unknown argument " + arg;
            return false;
        }
    }
    if (intervalGiven && parsed.onChange) {
        *error = "-i and --on-change exclude each other";
        return false;
    }
    if (!formatGiven && !parsed.output.empty()) {
        parsed.format = FormatOfFileName(parsed.output);
    }
    if (parsed.output.empty()) {
        parsed.output = parsed.format == RecordingFormat::Csv ? "aq3310.csv" : "aq3310.vcd";
    }
    *options = parsed;
    return true;
}
