#include "sim/core/LanConfig.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "sim/core/ResourceName.h"

namespace sim {

namespace {

// Larger files are not configuration files: nothing past this is read.
constexpr std::size_t kMaxConfigBytes = 64 * 1024;
constexpr ViUInt32 kMaxTimeoutMs = 60000;

std::string Trimmed(const std::string& line) {
    const std::string::size_type hash = line.find('#');
    const std::string text = line.substr(0, hash);
    const std::string::size_type first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return std::string();
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

}  // namespace

LanConfig ParseLanConfig(const std::string& text) {
    LanConfig config;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        const std::string entry = Trimmed(line);
        if (entry.empty()) {
            continue;
        }
        const auto fail = [&] {
            if (config.error.empty()) {
                config.error = "line " + std::to_string(number) + ": " + entry;
            }
        };
        if (entry.rfind("timeout", 0) == 0) {
            std::istringstream value(entry.substr(7));
            long ms = -1;
            std::string rest;
            if (!(value >> ms) || (value >> rest) || ms < 1 || ms > long{kMaxTimeoutMs}) {
                fail();
                continue;
            }
            config.timeoutMs = static_cast<ViUInt32>(ms);
            continue;
        }
        ResourceName name;
        if (!ParseResourceName(entry, &name) || name.interfaceType != VI_INTF_TCPIP ||
            name.resourceClass != "INSTR") {
            fail();
            continue;
        }
        if (std::find(config.instruments.begin(), config.instruments.end(), name.canonical) ==
            config.instruments.end()) {
            config.instruments.push_back(name.canonical);
        }
    }
    return config;
}

std::string LanConfigPath() {
    const auto variable = [](const char* name) {
        const char* value = std::getenv(name);
        return value != nullptr ? std::string(value) : std::string();
    };
    if (const std::string path = variable(kLanConfigVariable); !path.empty()) {
        return path;
    }
    if (const std::string folder = variable("XDG_CONFIG_HOME"); !folder.empty()) {
        return folder + "/aq3310-sfp/visa.conf";
    }
    if (const std::string home = variable("HOME"); !home.empty()) {
        return home + "/.config/aq3310-sfp/visa.conf";
    }
    return std::string();
}

LanConfig ReadLanConfig() {
    const std::string path = LanConfigPath();
    if (path.empty()) {
        return LanConfig();
    }
    // Looked at before it is opened, as the scenario file is: opening a FIFO would wait for a
    // writer, and every search with it.
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(path, code);
    if (code || !std::filesystem::is_regular_file(status)) {
        LanConfig refused;
        if (!code) {
            refused.error = path + " is not a regular file";
        }
        return refused;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return LanConfig();
    }
    std::string text(kMaxConfigBytes, '\0');
    file.read(&text[0], static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(file.gcount()));
    return ParseLanConfig(text);
}

}  // namespace sim
