#include "sim/scenario/Scenario.h"

#include <yaml-cpp/yaml.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <limits>
#include <set>

#include "sim/core/StatusTable.h"
#include "sim/replay/Replay.h"

namespace sim {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

std::string Upper(std::string text) {
    for (char& c : text) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return text;
}

// Decimal, or hexadecimal with 0x; an optional sign. No octal: "010" is ten.
bool ParseInteger(const std::string& text, long long* value) {
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

// Walks the YAML tree and records the first problem with its line; every step returns false
// once something is wrong, so the caller stops at once.
class CParser {
public:
    explicit CParser(const std::string& fileName) : m_fileName(fileName) {}

    bool Fail(const YAML::Node& node, const std::string& problem) {
        if (m_error.empty()) {
            const int line = node.Mark().is_null() ? 0 : node.Mark().line + 1;
            m_error = m_fileName + ":" + std::to_string(line) + ": " + problem;
        }
        return false;
    }
    bool FailAtLine(int line, const std::string& problem) {
        if (m_error.empty()) {
            m_error = m_fileName + ":" + std::to_string(line) + ": " + problem;
        }
        return false;
    }
    const std::string& Error() const { return m_error; }

    bool Document(const YAML::Node& root, Scenario* scenario) {
        if (root.IsNull()) {
            return true;
        }
        if (!root.IsMap()) {
            return Fail(root, "a scenario is a mapping of default_rm, search and resources");
        }
        if (!Keys(root, {"default_rm", "search", "resources"}, "scenario")) {
            return false;
        }
        if (root["default_rm"] && !Status(root["default_rm"], &scenario->defaultRmStatus)) {
            return false;
        }
        if (root["search"] && !Search(root["search"], scenario)) {
            return false;
        }
        const YAML::Node resources = root["resources"];
        if (!resources || resources.IsNull()) {
            return true;
        }
        if (!resources.IsSequence()) {
            return Fail(resources, "resources must be a list");
        }
        std::set<std::string> names;
        for (const auto& node : resources) {
            ResourceScenario resource;
            if (!Resource(node, &resource)) {
                return false;
            }
            if (!names.insert(Upper(resource.name)).second) {
                return Fail(node, "resource " + resource.name + " is listed twice");
            }
            scenario->resources.push_back(std::move(resource));
        }
        return true;
    }

private:
    bool Keys(const YAML::Node& map, std::initializer_list<const char*> allowed,
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

    bool Scalar(const YAML::Node& node, const std::string& what, std::string* text) {
        if (!node.IsScalar()) {
            return Fail(node, what + " must be a single value");
        }
        *text = node.Scalar();
        return true;
    }

    bool Integer(const YAML::Node& node, const std::string& what, long long low, long long high,
                 long long* value) {
        std::string text;
        if (!Scalar(node, what, &text)) {
            return false;
        }
        if (!ParseInteger(text, value)) {
            return Fail(node, what + " must be a number, not '" + text + "'");
        }
        if (*value < low || *value > high) {
            return Fail(node, what + " " + text + " is out of range " + std::to_string(low) +
                                  " to " + std::to_string(high));
        }
        return true;
    }

    bool Bits16(const YAML::Node& node, const std::string& what, std::uint16_t* value) {
        long long v = 0;
        if (!Integer(node, what, 0, 0xFFFF, &v)) {
            return false;
        }
        *value = static_cast<std::uint16_t>(v);
        return true;
    }

    bool Count(const YAML::Node& node, const std::string& what, int* value) {
        long long v = 0;
        if (!Integer(node, what, 0, std::numeric_limits<int>::max(), &v)) {
            return false;
        }
        *value = static_cast<int>(v);
        return true;
    }

    bool Boolean(const YAML::Node& node, const std::string& what, bool* value) {
        std::string text;
        if (!Scalar(node, what, &text)) {
            return false;
        }
        text = Lower(text);
        if (text == "true" || text == "yes" || text == "on") {
            *value = true;
        } else if (text == "false" || text == "no" || text == "off") {
            *value = false;
        } else {
            return Fail(node, what + " must be true or false, not '" + text + "'");
        }
        return true;
    }

    bool Status(const YAML::Node& node, ViStatus* status) {
        std::string text;
        if (!Scalar(node, "a status", &text)) {
            return false;
        }
        if (StatusFromName(text, status)) {
            return true;
        }
        long long value = 0;
        if (!ParseInteger(text, &value) || value < std::numeric_limits<std::int32_t>::min() ||
            value > std::numeric_limits<std::uint32_t>::max()) {
            return Fail(node, "unknown status '" + text + "' (a VI_ name or a number)");
        }
        *status = ViStatusFromBits(static_cast<std::uint32_t>(value));
        return true;
    }

    bool Search(const YAML::Node& node, Scenario* scenario) {
        if (!node.IsMap()) {
            return Fail(node, "search must be a mapping");
        }
        if (!Keys(node, {"status", "fail_after", "fail_status"}, "search")) {
            return false;
        }
        if (node["status"] && !Status(node["status"], &scenario->findStatus)) {
            return false;
        }
        if (node["fail_after"]) {
            long long after = 0;
            if (!Integer(node["fail_after"], "fail_after (names given before viFindNext fails)", 1,
                         std::numeric_limits<int>::max(), &after)) {
                return false;
            }
            scenario->findFailAfter = static_cast<unsigned>(after);
        }
        return !node["fail_status"] || Status(node["fail_status"], &scenario->findFailStatus);
    }

    bool InterfaceType(const YAML::Node& node, std::uint16_t* type) {
        std::string text;
        if (!Scalar(node, "interface", &text)) {
            return false;
        }
        static const std::pair<const char*, std::uint16_t> kNames[] = {
            {"gpib", VI_INTF_GPIB},   {"vxi", VI_INTF_VXI},     {"gpib-vxi", VI_INTF_GPIB_VXI},
            {"asrl", VI_INTF_ASRL},   {"serial", VI_INTF_ASRL}, {"pxi", VI_INTF_PXI},
            {"tcpip", VI_INTF_TCPIP}, {"usb", VI_INTF_USB}};
        for (const auto& [name, value] : kNames) {
            if (Lower(text) == name) {
                *type = value;
                return true;
            }
        }
        long long number = 0;
        if (ParseInteger(text, &number) && number >= 0 && number <= 0xFFFF) {
            *type = static_cast<std::uint16_t>(number);
            return true;
        }
        return Fail(node, "unknown interface '" + text +
                              "' (gpib, vxi, gpib-vxi, asrl, pxi, tcpip, usb or a number)");
    }

    static bool InterfaceFromName(const std::string& name, std::uint16_t* type) {
        static const std::pair<const char*, std::uint16_t> kPrefixes[] = {
            {"GPIB-VXI", VI_INTF_GPIB_VXI},
            {"GPIB", VI_INTF_GPIB},
            {"VXI", VI_INTF_VXI},
            {"ASRL", VI_INTF_ASRL},
            {"PXI", VI_INTF_PXI},
            {"TCPIP", VI_INTF_TCPIP},
            {"USB", VI_INTF_USB}};
        const std::string upper = Upper(name);
        for (const auto& [prefix, value] : kPrefixes) {
            if (upper.rfind(prefix, 0) == 0) {
                *type = value;
                return true;
            }
        }
        return false;
    }

    bool OptionalAttribute(const YAML::Node& node, const std::string& what, Attribute16* value,
                           bool allowUnknown) {
        if (!node) {
            return true;
        }
        std::string text;
        if (!Scalar(node, what, &text)) {
            return false;
        }
        if (Lower(text) == "unsupported") {
            value->reset();
            return true;
        }
        if (allowUnknown && Lower(text) == "unknown") {
            *value = static_cast<std::uint16_t>(VI_UNKNOWN_SLOT);
            return true;
        }
        long long number = 0;
        if (!Integer(node, what, allowUnknown ? -1 : 0, 0xFFFF, &number)) {
            return false;
        }
        *value = static_cast<std::uint16_t>(number);
        return true;
    }

    bool AttributeStatuses(const YAML::Node& node, ResourceScenario* resource) {
        if (!node.IsMap()) {
            return Fail(node, "attribute_status must be a mapping");
        }
        if (!Keys(node, {"interface", "slot", "manufacturer", "model", "timeout"},
                  "attribute_status")) {
            return false;
        }
        static const std::pair<const char*, ViAttr> kAttributes[] = {
            {"interface", VI_ATTR_INTF_TYPE},
            {"slot", VI_ATTR_SLOT},
            {"manufacturer", VI_ATTR_MANF_ID},
            {"model", VI_ATTR_MODEL_CODE},
            {"timeout", VI_ATTR_TMO_VALUE}};
        for (const auto& [name, attribute] : kAttributes) {
            if (node[name] && !Status(node[name], &resource->attributeStatus[attribute])) {
                return false;
            }
        }
        return true;
    }

    bool Resource(const YAML::Node& node, ResourceScenario* resource) {
        if (!node.IsMap()) {
            return Fail(node, "each resource must be a mapping with at least a name");
        }
        if (!Keys(node,
                  {"name", "interface", "slot", "manufacturer", "model", "open", "attribute_status",
                   "idn", "idn_end", "misbehave", "module"},
                  "resource")) {
            return false;
        }
        resource->line = node.Mark().line + 1;
        if (!node["name"]) {
            return Fail(node, "resource without a name");
        }
        if (!Scalar(node["name"], "name", &resource->name)) {
            return false;
        }
        if (resource->name.empty() || resource->name.size() >= VI_FIND_BUFLEN) {
            return Fail(node["name"], "a resource name has 1 to 255 characters");
        }
        if (node["interface"]) {
            if (!InterfaceType(node["interface"], &resource->interfaceType)) {
                return false;
            }
        } else if (!InterfaceFromName(resource->name, &resource->interfaceType)) {
            return Fail(node, "give the interface of " + resource->name +
                                  "; it does not follow from the name");
        }
        if (!OptionalAttribute(node["slot"], "slot", &resource->slot, true) ||
            !OptionalAttribute(node["manufacturer"], "manufacturer", &resource->manufacturer,
                               false) ||
            !OptionalAttribute(node["model"], "model", &resource->model, false)) {
            return false;
        }
        if (node["open"] && !Status(node["open"], &resource->openStatus)) {
            return false;
        }
        if (node["attribute_status"] && !AttributeStatuses(node["attribute_status"], resource)) {
            return false;
        }
        if (node["idn"]) {
            std::string idn;
            if (!Scalar(node["idn"], "idn", &idn)) {
                return false;
            }
            resource->idn = idn;
        }
        if (node["idn_end"] && !Boolean(node["idn_end"], "idn_end", &resource->idnEnd)) {
            return false;
        }
        if (node["module"]) {
            ModuleScenario module;
            if (!Module(node["module"], &module)) {
                return false;
            }
            resource->module = module;
        }
        return !node["misbehave"] || Misbehave(node["misbehave"], resource);
    }

    bool Misbehave(const YAML::Node& node, ResourceScenario* resource) {
        if (!node.IsSequence()) {
            return Fail(node, "misbehave must be a list");
        }
        for (const auto& item : node) {
            std::string word;
            if (!Scalar(item, "a misbehaviour", &word)) {
                return false;
            }
            if (word == "long_idn") {
                resource->longIdn = true;
                continue;
            }
            bool* flag = nullptr;
            if (resource->module.has_value()) {
                ModuleScenario& module = *resource->module;
                flag = word == "long_texts"            ? &module.longTexts
                       : word == "endless_error_queue" ? &module.endlessErrorQueue
                       : word == "unterminated_text"   ? &module.unterminatedText
                                                       : nullptr;
            } else if (word == "long_texts" || word == "endless_error_queue" ||
                       word == "unterminated_text") {
                return Fail(item, word + " needs a module on the resource");
            }
            if (flag == nullptr) {
                return Fail(item, "unknown misbehaviour '" + word +
                                      "' (long_idn, long_texts, endless_error_queue, "
                                      "unterminated_text)");
            }
            *flag = true;
        }
        return true;
    }

    bool Port(const YAML::Node& node, PortStimulus* port) {
        if (node.IsScalar()) {
            port->mode = PortStimulus::Mode::Fixed;
            return Bits16(node, "port value", &port->start);
        }
        if (!node.IsMap()) {
            return Fail(node, "a port is a value or a mapping with a mode");
        }
        if (!Keys(node, {"mode", "value", "start", "step", "invert", "seed", "mask"}, "port")) {
            return false;
        }
        std::string mode = "fixed";
        if (node["mode"] && !Scalar(node["mode"], "mode", &mode)) {
            return false;
        }
        if (mode == "fixed") {
            port->mode = PortStimulus::Mode::Fixed;
        } else if (mode == "count") {
            port->mode = PortStimulus::Mode::Count;
        } else if (mode == "walk") {
            port->mode = PortStimulus::Mode::Walk;
        } else if (mode == "random") {
            port->mode = PortStimulus::Mode::Random;
        } else {
            return Fail(node["mode"],
                        "unknown port mode '" + mode + "' (fixed, count, walk, random)");
        }
        if (node["value"] && !Bits16(node["value"], "value", &port->start)) {
            return false;
        }
        if (node["start"] && !Bits16(node["start"], "start", &port->start)) {
            return false;
        }
        if (port->mode == PortStimulus::Mode::Walk && port->start > 15) {
            return Fail(node, "a walk starts at bit 0 to 15");
        }
        if (node["step"] && !Bits16(node["step"], "step", &port->step)) {
            return false;
        }
        if (node["invert"] && !Boolean(node["invert"], "invert", &port->invert)) {
            return false;
        }
        if (node["mask"] && !Bits16(node["mask"], "mask", &port->mask)) {
            return false;
        }
        if (node["seed"]) {
            long long seed = 0;
            if (!Integer(node["seed"], "seed", 0, 0xFFFFFFFFLL, &seed)) {
                return false;
            }
            port->seed = static_cast<std::uint32_t>(seed);
        }
        return true;
    }

    bool Entry(const YAML::Node& node, ErrorEntry* entry) {
        long long code = 0;
        if (!node["code"]) {
            return Fail(node, "an error entry needs a code");
        }
        if (!Integer(node["code"], "code", std::numeric_limits<std::int32_t>::min(),
                     std::numeric_limits<std::int32_t>::max(), &code)) {
            return false;
        }
        if (code == 0) {
            return Fail(node["code"], "code 0 means an empty queue; give a non-zero code");
        }
        entry->code = static_cast<std::int32_t>(code);
        return !node["text"] || Scalar(node["text"], "text", &entry->text);
    }

    bool Command(const YAML::Node& node, std::string* command) {
        if (!node["command"]) {
            return Fail(node, "a command is missing");
        }
        if (!Scalar(node["command"], "command", command)) {
            return false;
        }
        if (command->empty()) {
            return Fail(node["command"], "the command is empty");
        }
        return true;
    }

    template <typename Scheduled>
    bool Repeat(const YAML::Node& node, Scheduled* entry) {
        if (node["skip"] && !Count(node["skip"], "skip", &entry->skip)) {
            return false;
        }
        if (node["every"]) {
            long long every = 1;
            if (!Integer(node["every"], "every", 1, std::numeric_limits<int>::max(), &every)) {
                return false;
            }
            entry->every = static_cast<int>(every);
        }
        return !node["times"] || Count(node["times"], "times", &entry->times);
    }

    bool List(const YAML::Node& node, const std::string& what) {
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

    bool Module(const YAML::Node& node, ModuleScenario* module) {
        if (node.IsNull()) {
            return true;
        }
        if (!node.IsMap()) {
            return Fail(node, "module must be a mapping (it may be empty: {})");
        }
        if (!Keys(node,
                  {"step_ms", "ports", "self_test", "errors", "errors_after", "fail", "replay"},
                  "module")) {
            return false;
        }
        if (const YAML::Node replay = node["replay"]) {
            if (node["ports"] || node["step_ms"]) {
                return Fail(replay,
                            "a replayed module takes its inputs from the recording; "
                            "leave out ports and step_ms");
            }
            module->replay.emplace();
            if (!Replay(replay, &*module->replay)) {
                return false;
            }
        }
        if (node["step_ms"]) {
            int stepMs = 0;
            if (!Count(node["step_ms"], "step_ms", &stepMs)) {
                return false;
            }
            module->stepMs = static_cast<unsigned>(stepMs);
        }
        if (const YAML::Node ports = node["ports"]) {
            if (!ports.IsSequence() || ports.size() > module->ports.size()) {
                return Fail(ports, "ports must be a list of up to 4 ports");
            }
            for (std::size_t i = 0; i < ports.size(); ++i) {
                if (!Port(ports[i], &module->ports[i])) {
                    return false;
                }
            }
        }
        if (const YAML::Node test = node["self_test"]) {
            if (!test.IsMap()) {
                return Fail(test, "self_test must be a mapping");
            }
            if (!Keys(test, {"result", "message"}, "self_test")) {
                return false;
            }
            long long result = 0;
            if (test["result"]) {
                if (!Integer(test["result"], "result", -32768, 32767, &result)) {
                    return false;
                }
                module->selfTestResult = static_cast<std::int16_t>(result);
            }
            if (test["message"] && !Scalar(test["message"], "message", &module->selfTestMessage)) {
                return false;
            }
        }
        if (const YAML::Node errors = node["errors"]) {
            if (!List(errors, "errors")) {
                return false;
            }
            for (const auto& item : errors) {
                ErrorEntry entry;
                if (!Keys(item, {"code", "text"}, "errors") || !Entry(item, &entry)) {
                    return false;
                }
                module->errors.push_back(entry);
            }
        }
        if (const YAML::Node after = node["errors_after"]) {
            if (!List(after, "errors_after")) {
                return false;
            }
            for (const auto& item : after) {
                QueuedError queued;
                if (!Keys(item, {"command", "code", "text", "skip", "every", "times"},
                          "errors_after") ||
                    !Command(item, &queued.command) || !Entry(item, &queued.entry) ||
                    !Repeat(item, &queued)) {
                    return false;
                }
                module->errorsAfter.push_back(queued);
            }
        }
        if (const YAML::Node faults = node["fail"]) {
            if (!List(faults, "fail")) {
                return false;
            }
            for (const auto& item : faults) {
                CommandFault fault;
                if (!Keys(item, {"command", "status", "skip", "every", "times"}, "fail") ||
                    !Command(item, &fault.command) ||
                    (item["status"] && !Status(item["status"], &fault.status)) ||
                    !Repeat(item, &fault)) {
                    return false;
                }
                module->faults.push_back(fault);
            }
        }
        return true;
    }

    bool Real(const YAML::Node& node, const std::string& what, double low, double high,
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

    // module: replay: {file, channels, speed, loop, start, scope}; the file is opened here, so
    // that a wrong name or channel is told with the scenario's line.
    bool Replay(const YAML::Node& node, ReplayScenario* replay) {
        if (!node.IsMap()) {
            return Fail(node, "replay must be a mapping with at least a file");
        }
        if (!Keys(node, {"file", "channels", "speed", "loop", "start", "scope"}, "replay")) {
            return false;
        }
        if (!node["file"]) {
            return Fail(node, "replay needs the file of a recording");
        }
        if (!Scalar(node["file"], "file", &replay->file)) {
            return false;
        }
        if (replay->file.empty()) {
            return Fail(node["file"], "the file of the replay is empty");
        }
        namespace fs = std::filesystem;
        const fs::path named = fs::u8path(replay->file);
        if (named.is_relative()) {
            replay->file = (fs::u8path(m_fileName).parent_path() / named).u8string();
        }
        if (node["speed"] && !Real(node["speed"], "speed", 1e-6, 1e6, &replay->speed)) {
            return false;
        }
        if (node["start"] && !Real(node["start"], "start", 0, 1e9, &replay->startS)) {
            return false;
        }
        if (node["loop"] && !Boolean(node["loop"], "loop", &replay->loop)) {
            return false;
        }
        if (node["scope"] && !Scalar(node["scope"], "scope", &replay->scope)) {
            return false;
        }
        std::vector<YAML::Node> channelNodes;
        if (const YAML::Node channels = node["channels"]) {
            if (!channels.IsMap()) {
                return Fail(channels, "channels must be a mapping of signal name to input");
            }
            for (auto it = channels.begin(); it != channels.end(); ++it) {
                std::string name;
                long long input = 0;
                if (!Scalar(it->first, "a signal name", &name) ||
                    !Integer(it->second, "input of " + name, 0, 63, &input)) {
                    return false;
                }
                replay->channels.emplace_back(name, static_cast<int>(input));
                channelNodes.push_back(it->first);
            }
        }
        CReplay::Problem problem;
        if (!CReplay::Open(*replay, &problem)) {
            if (problem.channel >= 0) {
                return Fail(channelNodes[static_cast<std::size_t>(problem.channel)], problem.text);
            }
            return Fail(node["file"], "replay " + replay->file + ": " + problem.text);
        }
        return true;
    }

    std::string m_fileName;
    std::string m_error;
};

}  // namespace

ParseResult ParseScenario(const std::string& text, const std::string& fileName) {
    ParseResult result;
    CParser parser(fileName);
    try {
        const YAML::Node root = YAML::Load(text);
        Scenario scenario;
        if (parser.Document(root, &scenario)) {
            result.scenario = std::move(scenario);
            return result;
        }
        result.error = EscapeControls(parser.Error());
    } catch (const YAML::Exception& e) {
        // The library reports syntax errors by raising; turn them into the same form.
        parser.FailAtLine(e.mark.is_null() ? 0 : e.mark.line + 1, e.msg);
        result.error = EscapeControls(parser.Error());
    } catch (...) {
        parser.FailAtLine(0, "the scenario could not be read");
        result.error = parser.Error();
    }
    return result;
}

}  // namespace sim
