#pragma once

#include <string>

namespace sim {

// Longer expressions are refused as invalid: no resource name is longer than 255 characters.
constexpr std::size_t kMaxPatternLength = 1024;

enum class PatternResult { Match, NoMatch, Invalid };

// Matches a resource name against a VISA search expression, case-insensitively and over the
// whole name: "?" any character, "*" and "+" any number (none, one or more) of the element
// before, "[...]" a set or range ("^" negates), "\" takes the next character literally.
PatternResult MatchVisaPattern(const std::string& pattern, const std::string& name);

}  // namespace sim
