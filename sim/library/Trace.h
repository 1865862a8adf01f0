#pragma once
// What the library was asked since the scenario was loaded, for tests: one call a line ("open
// NAME", "attr NAME slot", "write NAME TEXT", "read NAME", "close NAME"). Kept under the
// library's lock; bounded, the oldest half dropped when full.

#include <deque>
#include <string>

namespace sim {

class CTrace {
public:
    void Record(std::string line);
    void Clear() { m_lines.clear(); }
    std::string Text() const;

private:
    std::deque<std::string> m_lines;
};

}  // namespace sim
