#include <cstdlib>
#include <string>

#include "FuzzTargets.h"
#include "app/options/CommandLine.h"

void FuzzOptions(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const CCommandLine commandLine(line);
    const std::string name = commandLine.DirectOpenName();
    // The name is a piece of the line, never longer, never holding a space.
    if (name.size() > line.size() || name.find(' ') != std::string::npos) {
        std::abort();
    }
    if (!name.empty() && !commandLine.HasDirectOpen()) {
        std::abort();
    }
    for (char c : name) {
        if (c >= 'a' && c <= 'z') {
            std::abort();
        }
    }
}
