#pragma once

#include <string>

#include "instrument/ConnectionOptions.h"

// The command line as the program reads it: a lower-case copy in which each option is found as
// a plain substring, with no splitting into words, except inside the resource name that
// follows the direct-open option: a name is never read as options ("-a tcpip0::my-router::instr"
// does not ask for a reset).
class CCommandLine {
public:
    explicit CCommandLine(const std::string& commandLine);

    const std::string& Lower() const { return m_strLower; }
    // "/x" or "-x" anywhere in the copy but inside the direct-open name; letter is given in
    // lower case.
    bool HasOption(char letter) const;
    bool HasDirectOpen() const { return HasOption('a'); }
    bool HasNoIdentify() const { return HasOption('n'); }
    bool HasReset() const { return HasOption('r'); }
    // The resource name after the first "/a", else the first "-a": spaces skipped, up to the next
    // space or the end, in upper case (VISA matches names without regard to case, so it reaches
    // a resource however the scenario spells it). Empty when there is no such option or
    // nothing follows.
    std::string DirectOpenName() const;

private:
    std::string m_strLower;
    // Where the direct-open name lies in the copy: [begin, end), empty when there is none.
    std::string::size_type m_nameBegin = 0;
    std::string::size_type m_nameEnd = 0;
};

// What the connection procedure takes from the command line: /n, /a with its name, /r.
ConnectionOptions ConnectionOptionsFrom(const CCommandLine& commandLine);

// Joins program arguments (without the program name) into one line, as the platform would
// hand the command line to the program.
std::string JoinArguments(int argc, const char* const* argv);
