#include "sim/core/VisaPattern.h"

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
            elements->back().repeat = true;
            elements->back().minCount = c == '+' ? 1 : 0;
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

// Backtracking with a memo of (element, position) pairs already tried, so that no expression
// can make the match take more than quadratic time.
class CMatcher {
public:
    CMatcher(const std::vector<Element>& elements, const std::string& name)
        : m_elements(elements), m_name(name), m_tried((elements.size() + 1) * (name.size() + 1)) {}

    bool From(std::size_t e, std::size_t n) {
        if (e == m_elements.size()) {
            return n == m_name.size();
        }
        const std::size_t key = e * (m_name.size() + 1) + n;
        if (m_tried[key]) {
            return false;  // a success would already have ended the search
        }
        m_tried[key] = true;
        const Element& element = m_elements[e];
        if (!element.repeat) {
            return n < m_name.size() && Matches(element, m_name[n]) && From(e + 1, n + 1);
        }
        std::size_t count = 0;
        while (n + count < m_name.size() && Matches(element, m_name[n + count])) {
            ++count;
        }
        for (std::size_t taken = static_cast<std::size_t>(element.minCount); taken <= count;
             ++taken) {
            if (From(e + 1, n + taken)) {
                return true;
            }
        }
        return false;
    }

private:
    const std::vector<Element>& m_elements;
    const std::string& m_name;
    std::vector<bool> m_tried;
};

}  // namespace

PatternResult MatchVisaPattern(const std::string& pattern, const std::string& name) {
    std::vector<Element> elements;
    if (pattern.empty() || !Compile(pattern, &elements)) {
        return PatternResult::Invalid;
    }
    return CMatcher(elements, name).From(0, 0) ? PatternResult::Match : PatternResult::NoMatch;
}

}  // namespace sim
