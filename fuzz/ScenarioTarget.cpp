#include <cstdlib>
#include <set>
#include <string>

#include "FuzzTargets.h"
#include "sim/module/Device.h"
#include "sim/scenario/Scenario.h"

namespace {

void Require(bool property) {
    if (!property) {
        std::abort();
    }
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    }
    return text;
}

}  // namespace

// Any text gives a scenario or one "file:line: problem"; every resource of a scenario that
// reads is one the simulated bus can serve, and its module answers without failing.
void FuzzScenario(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const sim::ParseResult parsed = sim::ParseScenario(text, "fuzz.yaml");
    Require(parsed.scenario.has_value() == parsed.error.empty());
    if (!parsed.scenario) {
        Require(parsed.error.rfind("fuzz.yaml:", 0) == 0);
        return;
    }
    std::set<std::string> names;
    for (const sim::ResourceScenario& resource : parsed.scenario->resources) {
        Require(!resource.name.empty() && resource.name.size() < VI_FIND_BUFLEN);
        Require(names.insert(Upper(resource.name)).second);
        sim::CDevice device(resource, 0);
        long long now = 0;
        for (const char* command : {"*IDN?", "MEAS:DIG:PORT? 0", "SENS:POS:PORT:TRAN? 3",
                                    "SYST:ERR?", "*TST?", "*RST", "SENS:NEG:PORT:TRAN? 9"}) {
            const sim::CDevice::Outcome outcome = device.Execute(command, now);
            Require(outcome.hasReply || outcome.reply.empty());
            now += 1000000;
        }
    }
}
