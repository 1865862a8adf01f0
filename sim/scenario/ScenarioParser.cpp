// Reads a scenario's YAML text into the model: the document, the search and the resources;
// the module of a resource is read by CModuleParser and every value is held to the rules of
// CScenarioChecks.
#include <yaml-cpp/yaml.h>

#include <limits>
#include <set>
#include <utility>

#include "sim/scenario/ModuleParser.h"
#include "sim/scenario/Scenario.h"
#include "sim/scenario/ScenarioChecks.h"

namespace sim {

namespace {

class CScenarioParser {
public:
    explicit CScenarioParser(const std::string& fileName) : m_checks(fileName) {}

    CScenarioChecks& Checks() { return m_checks; }

    bool Document(const YAML::Node& root, Scenario* scenario) {
        if (root.IsNull()) {
            return true;
        }
        if (!root.IsMap()) {
            return m_checks.Fail(root,
                                 "a scenario is a mapping of default_rm, search and resources");
        }
        if (!m_checks.Keys(root, {"default_rm", "search", "resources"}, "scenario")) {
            return false;
        }
        if (root["default_rm"] &&
            !m_checks.Status(root["default_rm"], &scenario->defaultRmStatus)) {
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
            return m_checks.Fail(resources, "resources must be a list");
        }
        std::set<std::string> names;
        for (const auto& node : resources) {
            ResourceScenario resource;
            if (!Resource(node, &resource)) {
                return false;
            }
            if (!names.insert(UpperCase(resource.name)).second) {
                return m_checks.Fail(node, "resource " + resource.name + " is listed twice");
            }
            scenario->resources.push_back(std::move(resource));
        }
        return true;
    }

private:
    bool Search(const YAML::Node& node, Scenario* scenario) {
        if (!node.IsMap()) {
            return m_checks.Fail(node, "search must be a mapping");
        }
        if (!m_checks.Keys(node, {"status", "fail_after", "fail_status"}, "search")) {
            return false;
        }
        if (node["status"] && !m_checks.Status(node["status"], &scenario->findStatus)) {
            return false;
        }
        if (node["fail_after"]) {
            long long after = 0;
            if (!m_checks.Integer(node["fail_after"],
                                  "fail_after (names given before viFindNext fails)", 1,
                                  std::numeric_limits<int>::max(), &after)) {
                return false;
            }
            scenario->findFailAfter = static_cast<unsigned>(after);
        }
        return !node["fail_status"] ||
               m_checks.Status(node["fail_status"], &scenario->findFailStatus);
    }

    bool InterfaceType(const YAML::Node& node, std::uint16_t* type) {
        std::string text;
        if (!m_checks.Scalar(node, "interface", &text)) {
            return false;
        }
        static const std::pair<const char*, std::uint16_t> kNames[] = {
            {"gpib", VI_INTF_GPIB},   {"vxi", VI_INTF_VXI},     {"gpib-vxi", VI_INTF_GPIB_VXI},
            {"asrl", VI_INTF_ASRL},   {"serial", VI_INTF_ASRL}, {"pxi", VI_INTF_PXI},
            {"tcpip", VI_INTF_TCPIP}, {"usb", VI_INTF_USB}};
        for (const auto& [name, value] : kNames) {
            if (LowerCase(text) == name) {
                *type = value;
                return true;
            }
        }
        long long number = 0;
        if (ParseScenarioInteger(text, &number) && number >= 0 && number <= 0xFFFF) {
            *type = static_cast<std::uint16_t>(number);
            return true;
        }
        return m_checks.Fail(node,
                             "unknown interface '" + text +
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
        const std::string upper = UpperCase(name);
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
        if (!m_checks.Scalar(node, what, &text)) {
            return false;
        }
        if (LowerCase(text) == "unsupported") {
            value->reset();
            return true;
        }
        if (allowUnknown && LowerCase(text) == "unknown") {
            *value = static_cast<std::uint16_t>(VI_UNKNOWN_SLOT);
            return true;
        }
        long long number = 0;
        if (!m_checks.Integer(node, what, allowUnknown ? -1 : 0, 0xFFFF, &number)) {
            return false;
        }
        *value = static_cast<std::uint16_t>(number);
        return true;
    }

    bool AttributeStatuses(const YAML::Node& node, ResourceScenario* resource) {
        if (!node.IsMap()) {
            return m_checks.Fail(node, "attribute_status must be a mapping");
        }
        if (!m_checks.Keys(node, {"interface", "slot", "manufacturer", "model", "timeout"},
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
            if (node[name] && !m_checks.Status(node[name], &resource->attributeStatus[attribute])) {
                return false;
            }
        }
        return true;
    }

    bool Resource(const YAML::Node& node, ResourceScenario* resource) {
        if (!node.IsMap()) {
            return m_checks.Fail(node, "each resource must be a mapping with at least a name");
        }
        if (!m_checks.Keys(node,
                           {"name", "interface", "slot", "manufacturer", "model", "open",
                            "attribute_status", "idn", "idn_end", "misbehave", "module"},
                           "resource")) {
            return false;
        }
        resource->line = node.Mark().line + 1;
        if (!node["name"]) {
            return m_checks.Fail(node, "resource without a name");
        }
        if (!m_checks.Scalar(node["name"], "name", &resource->name)) {
            return false;
        }
        if (resource->name.empty() || resource->name.size() >= VI_FIND_BUFLEN) {
            return m_checks.Fail(node["name"], "a resource name has 1 to 255 characters");
        }
        if (node["interface"]) {
            if (!InterfaceType(node["interface"], &resource->interfaceType)) {
                return false;
            }
        } else if (!InterfaceFromName(resource->name, &resource->interfaceType)) {
            return m_checks.Fail(node, "give the interface of " + resource->name +
                                           "; it does not follow from the name");
        }
        if (!OptionalAttribute(node["slot"], "slot", &resource->slot, true) ||
            !OptionalAttribute(node["manufacturer"], "manufacturer", &resource->manufacturer,
                               false) ||
            !OptionalAttribute(node["model"], "model", &resource->model, false)) {
            return false;
        }
        if (node["open"] && !m_checks.Status(node["open"], &resource->openStatus)) {
            return false;
        }
        if (node["attribute_status"] && !AttributeStatuses(node["attribute_status"], resource)) {
            return false;
        }
        if (node["idn"]) {
            std::string idn;
            if (!m_checks.Scalar(node["idn"], "idn", &idn)) {
                return false;
            }
            resource->idn = idn;
        }
        if (node["idn_end"] && !m_checks.Boolean(node["idn_end"], "idn_end", &resource->idnEnd)) {
            return false;
        }
        if (node["module"]) {
            ModuleScenario module;
            if (!CModuleParser(m_checks).Module(node["module"], &module)) {
                return false;
            }
            resource->module = module;
        }
        return !node["misbehave"] || Misbehave(node["misbehave"], resource);
    }

    bool Misbehave(const YAML::Node& node, ResourceScenario* resource) {
        if (!node.IsSequence()) {
            return m_checks.Fail(node, "misbehave must be a list");
        }
        for (const auto& item : node) {
            std::string word;
            if (!m_checks.Scalar(item, "a misbehaviour", &word)) {
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
                return m_checks.Fail(item, word + " needs a module on the resource");
            }
            if (flag == nullptr) {
                return m_checks.Fail(item, "unknown misbehaviour '" + word +
                                               "' (long_idn, long_texts, endless_error_queue, "
                                               "unterminated_text)");
            }
            *flag = true;
        }
        return true;
    }

    CScenarioChecks m_checks;
};

}  // namespace

ParseResult ParseScenario(const std::string& text, const std::string& fileName) {
    ParseResult result;
    CScenarioParser parser(fileName);
    try {
        const YAML::Node root = YAML::Load(text);
        Scenario scenario;
        if (parser.Document(root, &scenario)) {
            result.scenario = std::move(scenario);
            return result;
        }
        result.error = EscapeControls(parser.Checks().Error());
    } catch (const YAML::Exception& e) {
        // The library reports syntax errors by raising; turn them into the same form.
        parser.Checks().FailAtLine(e.mark.is_null() ? 0 : e.mark.line + 1, e.msg);
        result.error = EscapeControls(parser.Checks().Error());
    } catch (...) {
        parser.Checks().FailAtLine(0, "the scenario could not be read");
        result.error = parser.Checks().Error();
    }
    return result;
}

}  // namespace sim
