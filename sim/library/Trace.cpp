#include "sim/library/Trace.h"

namespace sim {

namespace {

constexpr std::size_t kMaxTraceLines = 10000;

}  // namespace

void CTrace::Record(std::string line) {
    if (m_lines.size() >= kMaxTraceLines) {
        m_lines.erase(m_lines.begin(), m_lines.begin() + kMaxTraceLines / 2);
    }
    m_lines.push_back(std::move(line));
}

std::string CTrace::Text() const {
    std::string text;
    for (const auto& line : m_lines) {
        text += line + "\n";
    }
    return text;
}

}  // namespace sim
