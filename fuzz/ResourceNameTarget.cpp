#include <cstdlib>
#include <string>

#include "FuzzTargets.h"
#include "sim/core/ResourceName.h"
#include "sim/core/VisaPattern.h"

namespace {

void Require(bool property) {
    if (!property) {
        std::abort();
    }
}

}  // namespace

// The input is a search expression, a newline, and a resource name. A name that parses has
// a canonical form that parses to itself and that "?*<class>" finds; an expression is valid or
// not whatever name it meets, and "?*" finds every name.
void FuzzResourceName(const std::uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::string::size_type newline = input.find('\n');
    const std::string expression = input.substr(0, newline);
    const std::string text = newline == std::string::npos ? input : input.substr(newline + 1);

    sim::ResourceName name;
    if (sim::ParseResourceName(text, &name)) {
        Require(!name.resourceClass.empty() && !name.canonical.empty());
        sim::ResourceName again;
        Require(sim::ParseResourceName(name.canonical, &again));
        Require(again.canonical == name.canonical && again.interfaceType == name.interfaceType &&
                again.board == name.board && again.resourceClass == name.resourceClass);
        Require(sim::MatchVisaPattern("?*" + name.resourceClass, name.canonical) ==
                sim::PatternResult::Match);
    }
    const sim::PatternResult result = sim::MatchVisaPattern(expression, text);
    const bool valid = sim::MatchVisaPattern(expression, "") != sim::PatternResult::Invalid;
    Require((result != sim::PatternResult::Invalid) == valid);
    Require(sim::MatchVisaPattern("?*", text) == sim::PatternResult::Match);
}
