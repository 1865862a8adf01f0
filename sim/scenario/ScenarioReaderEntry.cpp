// libvisa-scenario.so: the scenario file reader, with the YAML library it needs, apart from the
// VISA library that loads it on Linux.
#include "sim/scenario/ScenarioReader.h"

namespace {

void Parse(const char* text, std::size_t size, const char* fileName, sim::ParseResult* result) {
    try {
        *result = sim::ParseScenario(std::string(text, size), fileName);
    } catch (...) {
        // Only memory can run out here; the reader itself never throws.
        result->scenario.reset();
        result->error = "the scenario could not be read";
    }
}

constexpr SfpScenarioReader kReader = {
    kSfpScenarioReaderVersion,
    sizeof(sim::Scenario),
    sizeof(sim::ParseResult),
    Parse,
};

}  // namespace

extern "C" __attribute__((visibility("default"))) const SfpScenarioReader* sfp_scenario_reader(
    ViUInt32 version) {
    return version == kSfpScenarioReaderVersion ? &kReader : nullptr;
}
