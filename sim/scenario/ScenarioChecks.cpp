#include "sim/scenario/ScenarioChecks.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <set>

#include "sim/core/StatusTable.h"

namespace sim {

std::string LowerCase(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

bool ParseScenarioInteger(const std::string& text, long long* value) {
    std::string::size_type i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (text.size() > i + 1 && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    if (i >= text.size()) {
        return false;
    }
    long long result = 0;
    for (; i < text.size(); ++i) {
        const int c = std::tolower(static_cast<unsigned char>(text[i]));
        int digit = 0;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else {
            return false;
        }
        result = result * base + digit;
        if (result > (1LL << 40)) {
            return false;
        }
    }
    *value = negative ? -result : result;
    return true;
}

bool CScenarioChecks::Fail(const YAML::Node& node, const std::string& problem) {
    if (m_error.empty()) {
        const int line = node.Mark().is_null() ? 0 : node.Mark().line + 1;
        m_error = m_fileName + ":" + std::to_string(line) + ": " + problem;
    }
    return false;
}

bool CScenarioChecks::FailAtLine(int line, const std::string& problem) {
    if (m_error.empty()) {
        m_error = m_fileName + ":" + std::to_string(line) + ": " + problem;
    }
    return false;
}

bool CScenarioChecks::Keys(const YAML::Node& map, std::initializer_list<const char*> allowed,
                           const std::string& what) {
    std::set<std::string> seen;
    for (auto it = map.begin(); it != map.end(); ++it) {
        const std::string key = it->first.IsScalar() ? it->first.Scalar() : std::string();
        // The YAML reader keeps the first of two equal keys; say so rather than guess.
        if (!seen.insert(key).second) {
            return Fail(it->first, "key '" + key + "' is given twice in " + what);
        }
        const bool known = std::any_of(allowed.begin(), allowed.end(),
                                       [&](const char* name) { return key == name; });
        if (!known) {
            std::string list;
            for (const char* name : allowed) {
                list += (list.empty() ? "" : ", ") + std::string(name);
            }
            return Fail(it->first,
                        "unknown key '" + key + "' in " + what + " (known: " + list + ")");
        }
    }
    return true;
}

bool CScenarioChecks::Scalar(const YAML::Node& node, const std::string& what, std::string* text) {
    if (!node.IsScalar()) {
        return Fail(node, what + " must be a single value");
    }
    *text = node.Scalar();
    return true;
}

bool CScenarioChecks::Integer(const YAML::Node& node, const std::string& what, long long low,
                              long long high, long long* value) {
    std::string text;
    if (!Scalar(node, what, &text)) {
        return false;
    }
    if (!ParseScenarioInteger(text, value)) {
        return Fail(node, what + " must be a number, not '" + text + "'");
    }
    if (*value < low || *value > high) {
        return Fail(node, what + " " + text + " is out of range " + std::to_string(low) + " to " +
                              std::to_string(high));
    }
    return true;
}

bool CScenarioChecks::Bits16(const YAML::Node& node, const std::string& what,
                             std::uint16_t* value) {
    long long v = 0;
    if (!Integer(node, what, 0, 0xFFFF, &v)) {
        return false;
    }
    *value = static_cast<std::uint16_t>(v);
    return true;
}

bool CScenarioChecks::Count(const YAML::Node& node, const std::string& what, int* value) {
    long long v = 0;
    if (!Integer(node, what, 0, std::numeric_limits<int>::max(), &v)) {
        return false;
    }
    *value = static_cast<int>(v);
    return true;
}

bool CScenarioChecks::Boolean(const YAML::Node& node, const std::string& what, bool* value) {
    std::string text;
    if (!Scalar(node, what, &text)) {
        return false;
    }
    text = LowerCase(text);
    if (text == "true" || text == "yes" || text == "on") {
        *value = true;
    } else if (text == "false" || text == "no" || text == "off") {
        *value = false;
    } else {
        return Fail(node, what + " must be true or false, not '" + text + "'");
    }
    return true;
}

bool CScenarioChecks::Status(const YAML::Node& node, ViStatus* status) {
    std::string text;
    if (!Scalar(node, "a status", &text)) {
        return false;
    }
    if (StatusFromName(text, status)) {
        return true;
    }
    long long value = 0;
    if (!ParseScenarioInteger(text, &value) || value < std::numeric_limits<std::int32_t>::min() ||
        value > std::numeric_limits<std::uint32_t>::max()) {
        return Fail(node, "unknown status '" + text + "' (a VI_ name or a number)");
    }
    *status = ViStatusFromBits(static_cast<std::uint32_t>(value));
    return true;
}

bool CScenarioChecks::Real(const YAML::Node& node, const std::string& what, double low, double high,
                           double* value) {
    std::string text;
    if (!Scalar(node, what, &text)) {
        return false;
    }
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(number)) {
        return Fail(node, what + " must be a number, not '" + text + "'");
    }
    if (number < low || number > high) {
        return Fail(node, what + " " + text + " is out of range");
    }
    *value = number;
    return true;
}

bool CScenarioChecks::List(const YAML::Node& node, const std::string& what) {
    if (!node.IsSequence()) {
        return Fail(node, what + " must be a list");
    }
    for (const auto& item : node) {
        if (!item.IsMap()) {
            return Fail(item, "each entry of " + what + " must be a mapping");
        }
    }
    return true;
}

}  // namespace sim
