#include "sim/core/VisaPattern.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace sim {

namespace {

struct Element {
    enum class Kind { Any, Char, Set } kind = Kind::Char;
    char c = 0;
    std::vector<std::pair<char, char>> ranges;
    bool negated = false;
    int minCount = 1;
    bool repeat = false;  // followed by "*" or "+"
};

char Fold(char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
}

bool Matches(const Element& e, char c) {
    switch (e.kind) {
        case Element::Kind::Any:
            return true;
        case Element::Kind::Char:
            return Fold(e.c) == Fold(c);
        case Element::Kind::Set: {
            bool in = false;
            for (const auto& [low, high] : e.ranges) {
                in = in || (Fold(c) >= Fold(low) && Fold(c) <= Fold(high));
            }
            return in != e.negated;
        }
    }
    return false;
}

bool Compile(const std::string& pattern, std::vector<Element>* elements) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c == '*' || c == '+') {
            if (elements->empty() || elements->back().repeat) {
                return false;
            }
            if (c == '+') {
                elements->push_back(elements->back());
            }
            elements->back().repeat = true;
            elements->back().minCount = 0;
            continue;
        }
        Element e;
        if (c == '?') {
            e.kind = Element::Kind::Any;
        } else if (c == '\\') {
            if (++i >= pattern.size()) {
                return false;
            }
            e.c = pattern[i];
        } else if (c == '[') {
            e.kind = Element::Kind::Set;
            std::size_t j = i + 1;
            if (j < pattern.size() && pattern[j] == '^') {
                e.negated = true;
                ++j;
            }
            for (; j < pattern.size() && pattern[j] != ']'; ++j) {
                if (j + 2 < pattern.size() && pattern[j + 1] == '-' && pattern[j + 2] != ']') {
                    e.ranges.emplace_back(pattern[j], pattern[j + 2]);
                    j += 2;
                } else {
                    e.ranges.emplace_back(pattern[j], pattern[j]);
                }
            }
            if (j >= pattern.size() || e.ranges.empty()) {
                return false;
            }
            i = j;
        } else {
            e.c = c;
        }
        elements->push_back(e);
    }
    return true;
}

// Runs the expression as a set of positions, one character of the name at a time: time is the
// name's length times the expression's, memory one flag per element, and nothing recurses.
bool Run(const std::vector<Element>& elements, const std::string& name) {
    const std::size_t count = elements.size();
    std::vector<char> current(count + 1, 0);
    std::vector<char> next(count + 1, 0);
    // A position on an optional repetition also stands at the element after it.
    auto close = [&](std::vector<char>& states) {
        for (std::size_t e = 0; e < count; ++e) {
            if (states[e] && elements[e].repeat && elements[e].minCount == 0) {
                states[e + 1] = 1;
            }
        }
    };
    current[0] = 1;
    close(current);
    for (const char c : name) {
        std::fill(next.begin(), next.end(), 0);
        bool any = false;
        for (std::size_t e = 0; e < count; ++e) {
            if (!current[e] || !Matches(elements[e], c)) {
                continue;
            }
            next[elements[e].repeat ? e : e + 1] = 1;
            any = true;
        }
        if (!any) {
            return false;
        }
        close(next);
        current.swap(next);
    }
    return current[count] != 0;
}

}  // namespace

PatternResult MatchVisaPattern(const std::string& pattern, const std::string& name) {
    std::vector<Element> elements;
    if (pattern.empty() || pattern.size() > kMaxPatternLength || !Compile(pattern, &elements)) {
        return PatternResult::Invalid;
    }
    return Run(elements, name) ? PatternResult::Match : PatternResult::NoMatch;
}

}  // namespace sim
