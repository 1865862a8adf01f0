#pragma once

#include <string>

// The command line as the program reads it: a lower-case copy in which each option is found as
// a plain substring, with no splitting into words.
class CCommandLine {
public:
    explicit CCommandLine(const std::string& commandLine);

    const std::string& Lower() const { return m_strLower; }
    // "/x" or "-x" anywhere in the copy; letter is given in lower case.
    bool HasOption(char letter) const;
    bool HasDirectOpen() const { return HasOption('a'); }
    bool HasNoIdentify() const { return HasOption('n'); }
    bool HasReset() const { return HasOption('r'); }
    // The resource name after the first "/a", else the first "-a": spaces skipped, up to the next
    // space or the end, in upper case. Empty when there is no such option or nothing follows.
    std::string DirectOpenName() const;

private:
    std::string m_strLower;
};

// Joins program arguments (without the program name) into one line, as the platform would
// hand the command line to the program.
std::string JoinArguments(int argc, const char* const* argv);
