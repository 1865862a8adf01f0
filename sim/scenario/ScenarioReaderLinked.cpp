// The scenario reader linked in: for every program but the library on Linux.
#include "sim/scenario/ScenarioReader.h"

namespace sim {

ParseResult ReadScenarioText(const std::string& text, const std::string& fileName) {
    return ParseScenario(text, fileName);
}

}  // namespace sim
