#pragma once

#include <string>
#include <vector>

#include "recording/Sample.h"

// A trigger condition in sigrok-cli's words: "ch3=r" (rising), "f" (falling), "e" (either
// edge), "0" or "1" (level), several joined by commas that must all hold at the same sample.
// A pulse caught between two samples (both transition registers latched, level unchanged)
// counts as both its edges, as the files draw it.
class CTrigger {
public:
    enum class Kind { Low, High, Rising, Falling, Edge };
    struct Condition {
        int channel = 0;
        Kind kind = Kind::High;
    };

    // False with the reason in error; trigger is left as it was then.
    static bool Parse(const std::string& text, CTrigger* trigger, std::string* error);

    // Whether every condition holds at current, read after previous.
    bool Matches(const Sample& previous, const Sample& current) const;

    bool IsEmpty() const { return m_conditions.empty(); }
    const std::vector<Condition>& Conditions() const { return m_conditions; }
    // The condition as Parse reads it back ("ch3=r,ch5=1").
    std::string Text() const;

private:
    std::vector<Condition> m_conditions;
};
