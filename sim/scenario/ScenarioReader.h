#pragma once

#include <cstddef>
#include <string>

#include "sim/scenario/Scenario.h"

namespace sim {

// Reads a scenario file's text as ParseScenario does, with the reader this build carries: the
// library on Linux loads it (libvisa-scenario.so, beside itself) only when a scenario file is
// named, so a start on the built-in scenario maps no YAML reader; everything else links it.
// When the reader cannot be loaded, the error says so. Never throws.
ParseResult ReadScenarioText(const std::string& text, const std::string& fileName);

}  // namespace sim

// The loaded reader's table. Both sides pass C++ objects, so they must come from one build:
// they are built and installed together, and the version and sizes refuse any other pairing.
struct SfpScenarioReader {
    ViUInt32 version;
    std::size_t scenarioSize;  // sizeof(sim::Scenario) and sizeof(sim::ParseResult) there
    std::size_t resultSize;
    // Fills *result; never throws.
    void (*parse)(const char* text, std::size_t size, const char* fileName,
                  sim::ParseResult* result);
};

constexpr ViUInt32 kSfpScenarioReaderVersion = 1;
// The reader's one export, `const SfpScenarioReader* sfp_scenario_reader(ViUInt32 version)`.
constexpr const char* kSfpScenarioReaderEntryName = "sfp_scenario_reader";
constexpr const char* kSfpScenarioReaderFile = "libvisa-scenario.so";
