#pragma once

// The rules every value of a scenario file is held to (keys known and given once, numbers in
// range, booleans, statuses, lists of mappings), and the first problem found with its file and
// line. Apart from the readers that walk the file into the model, so that each rule lives in
// one place and every problem reads the same.
#include <yaml-cpp/yaml.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "instrument/VisaTypes.h"
#include "sim/core/ResourceName.h"  // UpperCase

namespace sim {

std::string LowerCase(std::string text);
// Decimal, or hexadecimal with 0x; an optional sign. No octal: "010" is ten.
bool ParseScenarioInteger(const std::string& text, long long* value);

// Every check returns false once something is wrong, so the reader stops at once.
class CScenarioChecks {
public:
    explicit CScenarioChecks(const std::string& fileName) : m_fileName(fileName) {}

    // Records the problem unless one is recorded already; always false.
    bool Fail(const YAML::Node& node, const std::string& problem);
    bool FailAtLine(int line, const std::string& problem);
    const std::string& Error() const { return m_error; }
    const std::string& FileName() const { return m_fileName; }

    bool Keys(const YAML::Node& map, std::initializer_list<const char*> allowed,
              const std::string& what);
    bool Scalar(const YAML::Node& node, const std::string& what, std::string* text);
    bool Integer(const YAML::Node& node, const std::string& what, long long low, long long high,
                 long long* value);
    bool Bits16(const YAML::Node& node, const std::string& what, std::uint16_t* value);
    bool Count(const YAML::Node& node, const std::string& what, int* value);
    bool Boolean(const YAML::Node& node, const std::string& what, bool* value);
    // A VI_ name or a number.
    bool Status(const YAML::Node& node, ViStatus* status);
    bool Real(const YAML::Node& node, const std::string& what, double low, double high,
              double* value);
    // A list whose every entry is a mapping.
    bool List(const YAML::Node& node, const std::string& what);

private:
    std::string m_fileName;
    std::string m_error;
};

}  // namespace sim
