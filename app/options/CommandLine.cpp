#include "app/options/CommandLine.h"

#include <cctype>

namespace {

std::string ToLower(const std::string& text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

std::string ToUpper(const std::string& text) {
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

}  // namespace

CCommandLine::CCommandLine(const std::string& commandLine) : m_strLower(ToLower(commandLine)) {}

bool CCommandLine::HasOption(char letter) const {
    const char slash[] = {'/', letter, '\0'};
    const char dash[] = {'-', letter, '\0'};
    return m_strLower.find(slash) != std::string::npos ||
           m_strLower.find(dash) != std::string::npos;
}

std::string CCommandLine::DirectOpenName() const {
    std::string::size_type pos = m_strLower.find("/a");
    if (pos == std::string::npos) {
        pos = m_strLower.find("-a");
    }
    if (pos == std::string::npos) {
        return std::string();
    }
    pos += 2;
    while (pos < m_strLower.size() && m_strLower[pos] == ' ') {
        ++pos;
    }
    const std::string::size_type end = m_strLower.find(' ', pos);
    return ToUpper(
        m_strLower.substr(pos, end == std::string::npos ? std::string::npos : end - pos));
}

std::string JoinArguments(int argc, const char* const* argv) {
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (i > 0) {
            line += ' ';
        }
        line += argv[i];
    }
    return line;
}
