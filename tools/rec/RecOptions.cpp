#include "tools/rec/RecOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

#include "recording/ChannelList.h"
#include "recording/Trigger.h"

const char* const kRecUsage =
    "Usage: aq3310-rec [OPTION]...\n"
    "Records the 64 inputs of AQ K3310 modules to a VCD or CSV file, as it samples them.\n"
    "  -a RESOURCE       open this module (give -a again for more modules in one file)\n"
    "  -i MS             sample every MS milliseconds, 10 to 10000 (default 100)\n"
    "  --on-change       sample on the module's service requests instead\n"
    "  -d SECONDS        record this long (after the trigger with -t); 0: until interrupted\n"
    "  -o FILE           write to FILE, - for standard output (default aq3310-DATE-TIME.vcd)\n"
    "  --format vcd|csv  file format (default: from the file name, else vcd)\n"
    "  -C LIST           record only these inputs: 0-7,16 or ch0,ch3 (default all 64)\n"
    "  -t CONDITION      wait for a trigger: ch3=r rising, f falling, e edge, 0 or 1 level\n"
    "  --pre SECONDS     with -t, keep this much from before the trigger (default 1)\n"
    "  --vectors         write each port's 16-bit value beside its wires (VCD)\n"
    "  -h, --help        show this help and exit\n"
    "  -V, --version     show the version and exit\n";

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
    bool preGiven = false;
    for (int i = 0; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool takesValue = arg == "-a" || arg == "-i" || arg == "-d" || arg == "-o" ||
                                arg == "--format" || arg == "-C" || arg == "-t" || arg == "--pre";
        if (takesValue && i + 1 >= argc) {
            *error = arg + " needs a value";
            return false;
        }
        if (arg == "-h" || arg == "--help") {
            parsed.help = true;
        } else if (arg == "-V" || arg == "--version") {
            parsed.version = true;
        } else if (arg == "--vectors") {
            parsed.vectors = true;
        } else if (arg == "--no-vectors") {
            parsed.vectors = false;  // the default now; kept for scripts that ask for it
        } else if (arg == "--on-change") {
            parsed.onChange = true;
        } else if (arg == "-a") {
            parsed.resources.push_back(argv[++i]);
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
        } else if (arg == "--pre") {
            if (!ParseNumber(argv[++i], 0, 3600, &parsed.preSeconds)) {
                *error = "--pre takes a number of seconds from 0 to 3600";
                return false;
            }
            preGiven = true;
        } else if (arg == "-o") {
            parsed.output = argv[++i];
            if (parsed.output.empty()) {
                *error = "-o needs a file name (- for standard output)";
                return false;
            }
        } else if (arg == "-C") {
            if (!ParseChannelList(argv[++i], &parsed.channels, error)) {
                *error = "-C: " + *error;
                return false;
            }
        } else if (arg == "-t") {
            CTrigger trigger;
            if (!CTrigger::Parse(argv[++i], &trigger, error)) {
                *error = "-t: " + *error;
                return false;
            }
            parsed.trigger = trigger.Text();
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
    if (preGiven && parsed.trigger.empty()) {
        *error = "--pre needs a trigger (-t)";
        return false;
    }
    if (!formatGiven && !parsed.output.empty() && parsed.output != "-") {
        parsed.format = FormatOfFileName(parsed.output);
    }
    *options = parsed;
    return true;
}

std::string DefaultOutputName(RecordingFormat format, std::time_t start) {
    char text[64] = {};
    std::tm local = {};
    localtime_r(&start, &local);
    std::strftime(text, sizeof text, "aq3310-%Y%m%d-%H%M%S", &local);
    return std::string(text) + (format == RecordingFormat::Csv ? ".csv" : ".vcd");
}
