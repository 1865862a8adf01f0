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

CCommandLine::CCommandLine(const std::string& commandLine) : m_strLower(ToLower(commandLine)) {
    std::string::size_type pos = m_strLower.find("/a");
    if (pos == std::string::npos) {
        pos = m_strLower.find("-a");
    }
    if (pos == std::string::npos) {
        return;
    }
    pos += 2;
    while (pos < m_strLower.size() && m_strLower[pos] == ' ') {
        ++pos;
    }
    const std::string::size_type end = m_strLower.find(' ', pos);
    m_nameBegin = pos;
    m_nameEnd = end == std::string::npos ? m_strLower.size() : end;
}

bool CCommandLine::HasOption(char letter) const {
    for (const char sign : {'/', '-'}) {
        const char option[] = {sign, letter, '\0'};
        for (std::string::size_type pos = m_strLower.find(option); pos != std::string::npos;
             pos = m_strLower.find(option, pos + 1)) {
            if (pos < m_nameBegin || pos >= m_nameEnd) {
                return true;
            }
        }
    }
    return false;
}

std::string CCommandLine::DirectOpenName() const {
    return ToUpper(m_strLower.substr(m_nameBegin, m_nameEnd - m_nameBegin));
}

ConnectionOptions ConnectionOptionsFrom(const CCommandLine& commandLine) {
    ConnectionOptions options;
    options.noIdentify = commandLine.HasNoIdentify();
    options.directOpen = commandLine.HasDirectOpen();
    options.directOpenName = commandLine.DirectOpenName();
    options.resetOnOpen = commandLine.HasReset();
    return options;
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
